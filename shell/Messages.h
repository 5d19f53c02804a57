#pragma once

#include <QByteArray>

// Every fixed text the program speaks, in one place so that the wording can be
// reviewed at a glance. Texts are UTF-8. Blanks at the ends are part of the texts:
// texts are joined with nothing between them.

// A text that exists in both languages; the active language chooses.
struct Phrase {
    const char *catalan;
    const char *spanish;
};

// The text of `phrase` in the language that is active now.
QByteArray inActiveLanguage(const Phrase &phrase);

// Lower-cases the letters A to Z only; every other byte stays as it is.
QByteArray lowerAsciiLetters(QByteArray text);

namespace Messages {

// Leaving the program.
inline constexpr Phrase Farewell{"Abandono el programa. Torno al sistema operatiu.",
                                 "Abandono el programa. Vuelvo al sistema operativo."};

// An engine asked for whose package is missing (said with the default engine
// before the program ends); the package's name and a full stop follow.
inline constexpr Phrase EngineNotInstalled{
    "La veu triada no està instal·lada. Cal instal·lar el paquet ",
    "La voz elegida no está instalada. Hay que instalar el paquete "};

// Keyboard commands of the main window.
inline constexpr Phrase StopAfterSentenceOn{"Lectura parant", "Lectura parando"};
inline constexpr Phrase StopAfterSentenceOff{"Lectura contínua", "Lectura continua"};
inline constexpr Phrase ContinueReading{"Continuo llegint el llibre, ",
                                        "Continuo la lectura del libro, "};
inline constexpr Phrase RepeatPreviousSentence{"Repeteixo paràgraf anterior",
                                               "Repito párrafo anterior"};
inline constexpr Phrase ContinueAtPreviousSentence{"Continuo en paràgraf anterior",
                                                   "Continuo en párrafo anterior"};
inline constexpr Phrase RestartBook{"Torno a començar", "Vuelvo a empezar"};
inline constexpr Phrase SpeedAtMaximum{"Ja no es pot augmentar més la velocitat de lectura",
                                       "Ya no se puede aumentar más la velocidad de lectura"};
inline constexpr Phrase SpeedRaised{"Augmento la velocitat de lectura",
                                    "Aumento la velocidad de lectura"};
inline constexpr Phrase SpeedAtMinimum{"Ja no es pot disminuir més la velocitat de lectura",
                                       "Ya no se puede disminuir más la velocidad de lectura"};
inline constexpr Phrase SpeedLowered{"Disminueixo la velocitat de lectura",
                                     "Disminuyo la velocidad de lectura"};
// Each confirmation is spoken in the language just switched to.
inline constexpr const char *SwitchedToSpanish = "He cambiado a castellano";
inline constexpr const char *SwitchedToCatalan = "He canviat a català";
inline constexpr Phrase ReadClipboard{
    "Llegeixo el contingut de la carpeta. Réturn per anàr al menú",
    "Leo el contenido del portapapeles. Réturn para ir al menú"};
inline constexpr const char *ClipboardTitle = "Carpeta";
// The clipboard's text as the user knows it, where a message names its file: the
// private temporary file's own path is never spoken.
inline constexpr const char *ClipboardFileName = "Carpeta.txt";

// Bookmarks (B): "Marcador ", the bookmark's number, then what happened to it.
inline constexpr Phrase BookmarkNumber{"Marcador ", "Marcador "};
inline constexpr Phrase BookmarkAdded{" afegit", " añadido"};
inline constexpr Phrase BookmarkRemoved{" esborrat", " borrado"};
inline constexpr Phrase BookmarksFull{"No hi caben més marcadors", "No caben más marcadores"};
inline constexpr Phrase BookmarkNotSaved{"No he pogut desar el marcador",
                                         "No he podido guardar el marcador"};
inline constexpr Phrase ClipboardHasNoBookmarks{
    "El contingut de la carpeta no pot tenir marcadors",
    "El contenido del portapapeles no puede tener marcadores"};

// The sleep timer (Z). The minutes go between the two parts.
inline constexpr Phrase SleepTimerOff{"Temporitzador apagat", "Temporizador apagado"};
inline constexpr Phrase SleepTimerMinutesBefore{"La lectura s'aturarà d'aquí a ",
                                                "La lectura se detendrá dentro de "};
inline constexpr Phrase SleepTimerMinutesAfter{" minuts", " minutos"};
inline constexpr Phrase SleepTimerEndOfChapter{"La lectura s'aturarà al final d'aquest capítol",
                                               "La lectura se detendrá al final de este capítulo"};
inline constexpr Phrase SleepTimerNoChapter{
    "Aquí no hi ha més capítols. La lectura s'aturarà al final del llibre",
    "Aquí no hay más capítulos. La lectura se detendrá al final del libro"};
// Said by the reading run that the timer ends.
inline constexpr Phrase SleepTimerStopped{"El temporitzador ha aturat la lectura",
                                          "El temporizador ha detenido la lectura"};

// The export of the current book to audio files (X, F9), in the background.
inline constexpr Phrase ExportStarted{
    "Exporto el llibre a fitxers d'àudio a la carpeta Música. Podeu continuar llegint.",
    "Exporto el libro a archivos de audio en la carpeta Música. Puede seguir leyendo."};
// "Exportació en curs: 3 de 24 capítols."
inline constexpr Phrase ExportRunning{"Exportació en curs: ", "Exportación en curso: "};
inline constexpr Phrase ExportChaptersOf{" de ", " de "};
inline constexpr Phrase ExportChapters{" capítols.", " capítulos."};
// "Llibre exportat: 24 fitxers a la carpeta Música."
inline constexpr Phrase ExportDone{"Llibre exportat: ", "Libro exportado: "};
inline constexpr Phrase ExportDoneFiles{" fitxers a la carpeta Música.",
                                        " archivos en la carpeta Música."};
inline constexpr Phrase ExportEngineRefused{
    "No he pogut exportar el llibre: aquesta veu no pot escriure fitxers d'àudio.",
    "No he podido exportar el libro: esta voz no puede escribir archivos de audio."};
inline constexpr Phrase ExportFailed{
    "No he pogut exportar el llibre: no es pot llegir o no es pot escriure a la carpeta Música.",
    "No he podido exportar el libro: no se puede leer o no se puede escribir en la carpeta "
    "Música."};

// The reading loop. The cannot-open text follows the book's path.
inline constexpr Phrase CannotOpenBook{". No hi ha cap fitxer amb aquest nom",
                                       ". No hay ningún archivo con este nombre"};
// A book refused for what it is rather than for being missing; said after the
// book's path, like the cannot-open text.
inline constexpr Phrase BookProtected{". Llibre protegit, no es pot llegir",
                                      ". Libro protegido, no se puede leer"};
inline constexpr Phrase BookWithoutText{". Aquest document no té text",
                                        ". Este documento no tiene texto"};
inline constexpr Phrase ClipboardEnded{
    "S'ha acabat la lectura del contingut de la carpeta.",
    "Se ha terminado la lectura del contenido del portapapleles"};
inline constexpr Phrase BookEnded{"S'ha acabat el llibre.", "Se ha terminado el libro."};

// Opening a book: the announcement is Catalan in both languages.
inline constexpr const char *OpeningBookBeforeTitle = "Llegeixo el llibre, ";
inline constexpr const char *OpeningBookAfterTitle = ". Réturn per anàr al menú";
inline constexpr Phrase OpenCancelledWhenIdle{"Has cancelat l'opció obrir fitxer. ",
                                              "Se ha cancelado la opción abrir fichero. "};
inline constexpr Phrase OpenCancelledWhenPaused{"Has cancel.lat l'opció obrir fitxer. ",
                                                "Se ha cancelado la opción abrir fichero. "};

// The book chooser. Texts followed by a drive, a folder or a book name are
// lower-cased (A to Z) together with what follows them.
inline constexpr Phrase CancelButtonFocused{"Botó Cancel.lar", "Botón Cancelar"};
inline constexpr Phrase FileListPrompt{
    "Opció escollir llibre. Fes-ho amb tecles de cursor. Confirma amb RETURN. TAB per canviar "
    "de disc o directori. Actualment estic en el directori: ",
    "Opción escoger libro. Hacerlo mediante las teclas del cursor. Confirmar con RETURN. TAB "
    "para cambiar de disco o directorio. Actualmente estoy en el directorio: "};
inline constexpr Phrase OpenBookName{"Obrir llibre: ", "Abrir libro: "};
inline constexpr Phrase NoBookInFolder{"No hi ha cap fitxer TEXT en aquest directori",
                                       "No hay ningún archivo TEXTO en este directorio"};
inline constexpr Phrase DriveListPrompt{
    "Opció canviar de disc. Fes-ho amb tecles de cursor. Confirma amb RETURN. TAB per canviar "
    "de directori. Actualment estic en el disc: ",
    "Opción cambiar de disco. Hacerlo mediante las teclas del cursor. Confirmar con RETURN. TAB "
    "para cambiar de directorio. Actualmente estoy en el disco: "};
inline constexpr Phrase DriveListRepeatPrompt{
    "Opció canviar de disc. Fes-ho amb tecles de cursor. Confirma amb RETURN. TAB per canviar "
    "directori. Actualment estic en el disc: ",
    "Opción cambiar de disco. Hacerlo mediante las teclas del cursor. Confirmar con RETURN. TAB "
    "para cambiar de directori. Actualmente estoy en el disco: "};
inline constexpr Phrase DriveHighlighted{"Canviar al disc: ", "Cambiar al disco: "};
// Catalan in both languages.
inline constexpr const char *DriveApplied = "He canviat al disc: ";
// The unavailable drive goes between the two parts, the drive returned to after.
inline constexpr Phrase DriveUnavailableBefore{"El disc: ", "El disco: "};
inline constexpr Phrase DriveUnavailableAfter{" no està disponible. Torno a l'anterior: ",
                                              " no está disponible. Vuelvo al anterior: "};
inline constexpr Phrase FolderListPrompt{
    "Opció canviar de directori. Fes-ho amb tecles de cursor. Confirma amb RETURN. Actualment "
    "estic en el directori: ",
    "Opción cambiar de directorio. Hacerlo mediante las teclas del cursor. Confirmar con "
    "RETURN. Actualmente estoy en el directorio: "};
inline constexpr Phrase FolderListRepeatPrompt{
    "Opció canviar de directori. Fes-ho amb tecles de cursor. Confirma amb RETURN. Actualment "
    "senyalo en el directori: ",
    "Opción cambiar de directorio. Hacerlo mediante las teclas del cursor. Confirmar con "
    "RETURN. Actualmente señalo el directorio: "};
inline constexpr Phrase FolderHighlighted{"Canviar al directori: ", "Cambiar al directorio: "};
// A folder that cannot be entered: said instead of silence, then the folder.
inline constexpr Phrase FolderCannotBeEntered{"No puc entrar al directori: ",
                                              "No puedo entrar en el directorio: "};

} // namespace Messages

// Navigation in a book (keys N, Page Down/Up, I, G, H).
namespace Messages {
inline constexpr Phrase LevelHeadingsOne{"Navegació per títols de nivell 1",
                                         "Navegación por títulos de nivel 1"};
// The deepest level follows.
inline constexpr Phrase LevelHeadingsUpTo{"Navegació per títols fins al nivell ",
                                          "Navegación por títulos hasta el nivel "};
inline constexpr Phrase LevelPages{"Navegació per pàgines", "Navegación por páginas"};
inline constexpr Phrase LevelParagraphs{"Navegació per paràgrafs", "Navegación por párrafos"};
inline constexpr Phrase LevelSentences{"Navegació per frases", "Navegación por frases"};
inline constexpr Phrase LevelBookmarks{"Navegació per marcadors", "Navegación por marcadores"};
// A page's label or a bookmark's number follows.
inline constexpr Phrase PageNamed{"Pàgina ", "Página "};
inline constexpr Phrase BookmarkNamed{"Marcador ", "Marcador "};
inline constexpr Phrase AtLastUnit{"No n'hi ha cap més endavant", "No hay ninguno más adelante"};
inline constexpr Phrase AtFirstUnit{"No n'hi ha cap més enrere", "No hay ninguno más atrás"};
inline constexpr Phrase StructureBeingRead{"Encara estic llegint l'estructura del llibre",
                                           "Todavía estoy leyendo la estructura del libro"};
inline constexpr Phrase CannotMove{"No puc llegir el llibre en aquest punt",
                                   "No puedo leer el libro en este punto"};
// Where am I: the title, the heading, "Pàgina 141 de 388", the share read, the time left.
inline constexpr Phrase PageOf{" de ", " de "};
inline constexpr Phrase ShareRead{"Llegit el ", "Leído el "};
inline constexpr Phrase PerCent{" per cent", " por ciento"};
inline constexpr Phrase TimeLeft{"Queden unes ", "Quedan unas "};
// A recorded book: the time listened to, by the book's own durations.
inline constexpr Phrase TimeListened{"Temps escoltat: ", "Tiempo escuchado: "};
inline constexpr Phrase OneHour{" hora", " hora"};
inline constexpr Phrase Hours{" hores", " horas"};
inline constexpr Phrase OneMinute{" minut", " minuto"};
inline constexpr Phrase Minutes{" minuts", " minutos"};
inline constexpr Phrase And{" i ", " y "};
inline constexpr Phrase LessThanAMinute{"Queda menys d'un minut", "Queda menos de un minuto"};
// Go to (G).
inline constexpr Phrase GoToPagePrompt{"Anar a la pàgina. Escriu el número i prem Réturn",
                                       "Ir a la página. Escribe el número y pulsa Réturn"};
inline constexpr Phrase GoToPercentPrompt{
    "Anar al percentatge del llibre. Escriu el número i prem Réturn",
    "Ir al porcentaje del libro. Escribe el número y pulsa Réturn"};
inline constexpr Phrase GoToCancelled{"He cancel·lat l'opció anar a",
                                      "Se ha cancelado la opción ir a"};
// The digit removed follows.
inline constexpr Phrase DigitRemoved{"Esborro ", "Borro "};
inline constexpr Phrase NothingToRemove{"No hi ha cap número", "No hay ningún número"};
// "No hi ha la pàgina 900. Les pàgines del llibre van de la 1 a la 388".
inline constexpr Phrase NoSuchPageBefore{"No hi ha la pàgina ", "No existe la página "};
inline constexpr Phrase NoSuchPageFirst{". Les pàgines del llibre van de la ",
                                        ". Las páginas del libro van de la "};
inline constexpr Phrase NoSuchPageLast{" a la ", " a la "};
inline constexpr Phrase NoSuchPercent{"El percentatge ha de ser de 0 a 100",
                                      "El porcentaje debe ser de 0 a 100"};
// Help (H): the extra keys of a paused book.
inline constexpr Phrase NavigationHelp{
    "Tecles de navegació. Ena, triar el nivell de navegació. Avançar pàgina i retrocedir "
    "pàgina, anar al següent o a l'anterior del nivell triat. I, on sóc. Gé, anar a una "
    "pàgina. Bé, posar o treure un marcador. Zeta, temporitzador per dormir. Ics o F9, "
    "exportar el llibre a fitxers d'àudio. Hac, aquesta ajuda.",
    "Teclas de navegación. Ene, elegir el nivel de navegación. Avanzar página y retroceder "
    "página, ir al siguiente o al anterior del nivel elegido. I, dónde estoy. Ge, ir a una "
    "página. Be, poner o quitar un marcador. Zeta, temporizador para dormir. Equis o F9, "
    "exportar el libro a archivos de audio. Hache, esta ayuda."};
} // namespace Messages

// The pieces of the spoken menus, joined with nothing between them.
namespace MenuPieces {

inline constexpr const char *CatalanPause[] = {
    "Lectura en Pausa. Premeu: ",
    " Cé, per a continuar.",
    " Àà, per paràgraf anterior.",
    " Éme, per tornar a començar el llibre.",
    " Óó, per carregar un altre llibre.",
    " Té, per llegir el contingut de la carpeta.",
    " Ésse, per abandonar el programa.",
    " Bé baixa, per augmentar la velocitat de lectura.",
    " Dé, per disminuir la velocitat de lectura.",
    " Éle, per canviar a castellà.",
    " Pé, per canviar de llegir paran o sense parar.",
    " Èrre repetir aquest missatge",
};
inline constexpr const char *CatalanIdleFirst = "Zelvora per a invidents. ";

inline constexpr const char *SpanishPause[] = {
    "Lectura en Pausa. Pulsar: ",
    " Cé, para continuar.",
    " Aa, para ir a párrafo anterior.",
    " Éme, para volver a empezar la lectura del libro.",
    " Óó, para cargar otro libro.",
    " Té, para leer el contenido del portapapeles.",
    " Ésse, para abandonar el programa.",
    " Uve para aumentar la velocidad de lectura.",
    " Dé, para disminuir la velocidad de lectura.",
    " Éle, para cambiar a catalán.",
    " Pé, para cambiar de leer parando o sin parar.",
    " Èrre repetir este mensaje",
};
inline constexpr const char *SpanishIdleFirst = "Zelvora para invidentes.";

// The idle menus go on with the pause menu's pieces from this one (" Óó, ...").
inline constexpr int FirstIdlePiece = 4;

} // namespace MenuPieces
