#include "tests/contract/console_harness.h"
#include "tests/fakeos/console.h"
#include "tests/fakeos/fakeos.h"

namespace contract {

bool OpenTestConsole(int16_t columns, int16_t rows, platform::Handle& output, platform::Handle& input) {
    fakeos::Reset();
    fakeos::console::Reset(columns, rows, 7);
    output = fakeos::console::OutputHandle;
    input = fakeos::console::InputHandle;
    return true;
}

void CloseTestConsole(platform::Handle, platform::Handle) {}

bool QueueInput(platform::Handle, const platform::InputRecord& record) {
    fakeos::console::Push(record);
    return true;
}

platform::CharCell CellAt(platform::Handle, int16_t x, int16_t y) {
    return platform::cells::At(fakeos::console::Console.Screen, x, y);
}

}  // namespace contract
