#pragma once

namespace shell {
// Starts the program and runs it until the last area screen closes.
int run(int argc, char* argv[]);
// Removes what runs killed half way left in the program folder and the
// attachments folder (temporary files of this program alone).
void cleanLeftovers();
} // namespace shell
