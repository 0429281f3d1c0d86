#include "bcrt/console_state.h"

namespace bcrt {

ConsoleState Console;

}  // namespace bcrt
