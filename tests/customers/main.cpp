// Test entry point: a headless QApplication around the tests, or, started
// with --station, one workstation of the multi-process tests (Station.h).
#include <cstring>

#include "HeadlessTestMain.h"
#include "Station.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--station") == 0) return mx::customers::test::runStation(argc, argv);
    return mx::test::runHeadlessTests(argc, argv);
}
