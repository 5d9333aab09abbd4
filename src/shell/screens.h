#pragma once
// The area screens live for the whole run as one global instance each.

namespace shell {
// Creates the area screens in their fixed order; none is shown.
void createScreens();
// Destroys them (end of the run, end of a test).
void destroyScreens();
} // namespace shell
