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
