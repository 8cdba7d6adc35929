#pragma once

// The test binary doubles as a child process for the runner tests:
//   qn_win_tests.exe --child [--grandchild MS] [--write N] [--nul] [--stderr] [--sleep MS]
//                            [--exit CODE]
// starts (with --grandchild) a copy of itself that inherits every handle and sleeps MS, and says
// "grandchild PID\n" on standard output, writes N
// bytes of a known pattern (with a NUL every 100 bytes when --nul is given) to standard output
// (or standard error), sleeps, and exits with CODE.
namespace qn::test {

int RunChildIfAsked(int argc, char** argv);  // -1 when not asked to be a child

// The byte at position i of what a child writes.
char ChildByte(unsigned long i, bool withNuls);

}  // namespace qn::test
