#pragma once
// Wine's desktop process, started by the first program that touches the window system, inherits
// that program's standard handles and lives as long as the wineserver: started from a program
// under runChild it would hold the output pipes open for good. This starts it first, from a
// helper with null handles (once per test process).
namespace velmora::test {
void startWineDesktopDetached();
}  // namespace velmora::test
