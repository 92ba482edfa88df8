// Test entry point: a headless QApplication around the tests.
#include "HeadlessTestMain.h"

int main(int argc, char** argv) { return mx::test::runHeadlessTests(argc, argv); }
