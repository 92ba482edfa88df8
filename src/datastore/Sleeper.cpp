#include "Sleeper.h"

#include <chrono>
#include <thread>

namespace mx::ds {

void SystemSleeper::wait(double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace mx::ds
