// Fuzzes standard output on the console device over arbitrary bytes, in write calls of
// any length, on screen buffers of any size from one cell up, with cursor moves and
// clears in between. Every cell write lies inside the buffer and carries at most 64
// cells on one row, the cursor is never placed outside, and the screen shows what a
// plain model of the device's rules puts there.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bcrt/console_devices.h"
#include "bcrt/screen.h"
#include "bcrt/unit.h"
#include "fuzz/fuzz_support.h"

namespace fc = fakeos::console;

namespace {

// The screen as the rules say it must look: characters and attributes, and the cursor.
struct Model {
    int Columns;
    int Rows;
    std::vector<platform::CharCell> Cells;
    int X = 0;
    int Y = 0;

    platform::CharCell& At(int x, int y) { return Cells[static_cast<size_t>(y * Columns + x)]; }

    void Put(uint8_t byte, uint16_t attribute) {
        switch (byte) {
            case 7: break;
            case 8: if (X > 0) --X; break;
            case 10: ++Y; break;
            case 13: X = 0; break;
            default: At(X, Y) = {byte, attribute}; ++X; break;
        }
        if (X >= Columns) {
            X = 0;
            ++Y;
        }
        if (Y >= Rows) {
            for (int y = 0; y + 1 < Rows; ++y)
                for (int x = 0; x < Columns; ++x) At(x, y) = At(x, y + 1);
            for (int x = 0; x < Columns; ++x) At(x, Rows - 1) = {' ', attribute};
            --Y;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::ResetSystem();
    const auto columns = in.ConsumeIntegralInRange<int16_t>(1, 200);
    const auto rows = in.ConsumeIntegralInRange<int16_t>(1, 60);
    const auto attribute = in.ConsumeIntegral<uint8_t>();
    fc::Reset(columns, rows, attribute);
    bcrt::Start();
    rtl::CheckIo();
    FUZZ_CHECK(bcrt::Console.Columns == columns && bcrt::Console.Rows == rows);

    Model model{columns, rows, fc::Console.Screen.Cells};
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 7)) {
            case 0:
                bcrt::GotoCell(in.ConsumeIntegralInRange(0, columns + 1), in.ConsumeIntegralInRange(0, rows + 1));
                break;
            case 1:
                bcrt::ClearWindow();
                model.Cells = fc::Console.Screen.Cells;
                break;
            default: {
                std::string bytes = in.ConsumeRandomLengthString(400);
                const bool line = in.ConsumeBool();
                model.X = fc::Console.Screen.Cursor.X;
                model.Y = fc::Console.Screen.Cursor.Y;
                for (char c : line ? bytes + "\r\n" : bytes) model.Put(static_cast<uint8_t>(c), attribute);
                fc::Console.CellWrites.clear();
                fakeos::detail::SetLastError(0);
                if (line) rtl::WriteLine(rtl::Output, bytes);
                else rtl::Write(rtl::Output, bytes);
                rtl::CheckIo();
                FUZZ_CHECK(fc::Console.Screen.Cursor.X == model.X && fc::Console.Screen.Cursor.Y == model.Y);
                for (size_t i = 0; i < model.Cells.size(); ++i) {
                    FUZZ_CHECK(fc::Console.Screen.Cells[i].Char == model.Cells[i].Char);
                    FUZZ_CHECK(fc::Console.Screen.Cells[i].Attributes == model.Cells[i].Attributes);
                }
                break;
            }
        }
        // Neither the cursor placement nor a scroll was refused as outside the buffer.
        FUZZ_CHECK(platform::LastError() != platform::Error::InvalidParameter);
        for (const platform::Rect& r : fc::Console.CellWrites) {
            FUZZ_CHECK(r.Top == r.Bottom && r.Top >= 0 && r.Bottom < rows);
            FUZZ_CHECK(r.Left >= 0 && r.Left <= r.Right && r.Right < columns);
            FUZZ_CHECK(r.Right - r.Left + 1 <= bcrt::MaxRun);
        }
        const platform::Coord cursor = fc::Console.Screen.Cursor;
        FUZZ_CHECK(cursor.X >= 0 && cursor.X < columns && cursor.Y >= 0 && cursor.Y < rows);
    }
    return 0;
}
