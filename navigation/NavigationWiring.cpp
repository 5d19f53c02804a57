#include "NavigationWiring.h"

#include "CurrentStructure.h"
#include "Messages.h"
#include "NavigationTexts.h"
#include "ReaderState.h"
#include "UnitUPCTV.h"

#include <memory>

namespace {

constexpr qint64 HighestPercent = 100;

// What the hooks share: the current book's structure and the navigator over it.
struct Navigation {
    CurrentStructure current;
    Navigator navigator;

    explicit Navigation(Navigator::Bookmarks bookmarks) : navigator(std::move(bookmarks)) {}

    // Follows the current book of State(); false while its structure is still
    // being found (or there is no book).
    bool ready() {
        const ReaderState &state = State();
        current.follow(state.BookPath, state.ClipboardMode);
        const BookStructure *structure = current.structure();
        navigator.setBook(current.textPath(), current.kind(), current.textSize(), structure);
        return current.hasBook() && structure != nullptr;
    }

    static NavigationAnswer notReady() { return {inActiveLanguage(Messages::StructureBeingRead)}; }

    NavigationAnswer step(qint64 from, bool forward) {
        if (!ready()) {
            return notReady();
        }
        const std::optional<Navigator::Unit> unit = navigator.step(from, forward);
        if (!unit) {
            return {inActiveLanguage(forward ? Messages::AtLastUnit : Messages::AtFirstUnit)};
        }
        return {NavigationTexts::reached(navigator, *unit), unit->offset};
    }

    QByteArray whereAmI(qint64 from) {
        if (!ready()) {
            return inActiveLanguage(Messages::StructureBeingRead);
        }
        const BookStructure *structure = navigator.structure();
        const QByteArray title =
            structure->title.isEmpty() ? State().BookTitle.toUtf8() : structure->title;
        const SpeechService &speech = Speech();
        return NavigationTexts::whereAmI(navigator, title, from, speech.ReadingSpeed,
                                         speech.CatalanActive, current.phrases());
    }

    NavigationAnswer goToPrompt() {
        if (!ready()) {
            return notReady();
        }
        const bool pages = navigator.structure()->pageCount() > 0;
        return {inActiveLanguage(pages ? Messages::GoToPagePrompt : Messages::GoToPercentPrompt),
                -1, true};
    }

    NavigationAnswer goToNumber(qint64 number) {
        if (!ready()) {
            return notReady();
        }
        const BookStructure &s = *navigator.structure();
        if (s.pageCount() == 0) {
            const std::optional<qint64> at =
                number <= HighestPercent ? navigator.percentStart(int(number)) : std::nullopt;
            if (!at) {
                return {inActiveLanguage(Messages::NoSuchPercent)};
            }
            return {QByteArray::number(number) + inActiveLanguage(Messages::PerCent), *at};
        }
        const std::optional<qint64> at = navigator.pageStart(number);
        if (!at) {
            return {inActiveLanguage(Messages::NoSuchPageBefore) + QByteArray::number(number) +
                    inActiveLanguage(Messages::NoSuchPageFirst) + s.pageLabel(0) +
                    inActiveLanguage(Messages::NoSuchPageLast) + s.pageLabel(s.pageCount() - 1)};
        }
        return {inActiveLanguage(Messages::PageNamed) + QByteArray::number(number), *at};
    }
};

} // namespace

void addNavigationHooks(ShellHooks &hooks, Navigator::Bookmarks bookmarks) {
    auto navigation = std::make_shared<Navigation>(std::move(bookmarks));
    hooks.bookOpened = [navigation] { navigation->ready(); };
    if (hooks.readBook) {
        hooks.readBook = [navigation, read = hooks.readBook](bool &isReading) {
            navigation->ready();
            read(isReading);
        };
    }
    hooks.nextNavigationLevel = [navigation]() -> QByteArray {
        if (!navigation->ready()) {
            return inActiveLanguage(Messages::StructureBeingRead);
        }
        return NavigationTexts::levelName(navigation->navigator.chooseNextLevel());
    };
    hooks.navigationStep = [navigation](qint64 from, bool forward) {
        return navigation->step(from, forward);
    };
    hooks.whereAmI = [navigation](qint64 from) { return navigation->whereAmI(from); };
    hooks.goToPrompt = [navigation] { return navigation->goToPrompt(); };
    hooks.goToNumber = [navigation](qint64 number) { return navigation->goToNumber(number); };
    hooks.nextChapterStart = [navigation](qint64 from) {
        return navigation->ready() ? navigation->navigator.nextTopHeading(from) : qint64(-1);
    };
}
