#pragma once

// Fill State().PauseMenuText and State().IdleMenuText in one language. Neither
// speaks.
void BuildCatalanMenus();
void BuildSpanishMenus();
