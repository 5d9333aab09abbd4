#pragma once

namespace shell {
// Starts the program and runs it until the last area screen closes.
int run(int argc, char* argv[]);
} // namespace shell
