// The program's identity towards the desktop: its name and its launcher entry. Window titles
// stay exactly what each window sets; nothing is appended to them.
#pragma once

namespace zel {

// Names the running QApplication "Zelvane Editor" with the launcher entry "zelvane". No display
// name is set: the platform would append it to the title of every window and dialog.
void SetApplicationIdentity();

} // namespace zel
