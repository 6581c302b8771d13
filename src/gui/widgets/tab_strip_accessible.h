// What screen readers see of a tab strip: a page tab list whose every tab is an element of its
// own ("page tab"), named by its caption, selected when it is the selected tab.
#pragma once

namespace zel {

// Makes every TTabControlSmart present its tabs this way (once per program; safe to repeat).
void InstallTabStripAccessibility();

} // namespace zel
