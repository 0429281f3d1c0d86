// The dump run: from the port prompt through the greeting, the naming and the dump of
// every block and timer to the closed report file and the final key. The run's state is
// process-wide and lives as long as the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "regdump/layout.h"
#include "rtl/textfile.h"

namespace regdump {

// Indexed by register number; every data word of the blocks has an entry.
inline constexpr size_t RegisterTableSize = 1000;
extern uint16_t RegisterValues[RegisterTableSize];

// The report row being assembled; it goes into the file when the next row starts or the
// block ends.
extern std::string ReportLine;

extern rtl::TextFile ReportFile;

// The port the operator chose, and the system number that names the report (0 when the
// controller did not answer the greeting).
extern uint16_t PortNumber;
extern uint16_t SystemNumber;

// Creates the report under the first free name. A name taken between the search and the
// create is passed over; with every name taken the run ends with the FileExists error.
void CreateReport();

// Reads one block's data words into RegisterValues and shows them; the file receives
// each row when the next one starts, the block's last row stays in ReportLine.
void ReadBlock(const RegisterBlock& block);

}  // namespace regdump
