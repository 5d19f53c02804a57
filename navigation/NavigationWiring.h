#pragma once

#include "Navigator.h"
#include "ShellHooks.h"

// Fills the navigation hooks of `hooks` (bookOpened, nextNavigationLevel,
// navigationStep, whereAmI, goToPrompt, goToNumber, nextChapterStart) for the
// current book of State(), and wraps readBook so that a run's book is followed
// too. `bookmarks` gives the current book's bookmarks (none when empty).
// exportStatus is left as it is. Wired once for the program (app/main.cpp) and
// for the tests alike; the hooks share one navigator, on the UI thread.
void addNavigationHooks(ShellHooks &hooks, Navigator::Bookmarks bookmarks = {});
