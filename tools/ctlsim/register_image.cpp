#include "tools/ctlsim/register_image.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace ctlsim {

namespace {

constexpr std::string_view ReportHeader =
    "System Constants      0     1     2     3     4     5     6     7     8     9";
constexpr std::string_view RowStart = "  DM[";
constexpr std::string_view RowLabelEnd = "]        ";
constexpr size_t CellWidth = 6;

struct Block {
    uint16_t First;
    uint16_t Last;
};
constexpr Block DumpedBlocks[] = {{20, 139}, {200, 249}, {890, 899}, {980, 989}};

// The text split at LF, each line without a CR that ends it; a last empty piece after the
// final line end is not a line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

ImageLoad Failure(size_t lineIndex, const std::string& what) {
    ImageLoad load;
    load.Error = "line " + std::to_string(lineIndex + 1) + ": " + what;
    return load;
}

bool StartsWithAnyCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool ParseRegisterNumber(std::string_view digits, uint16_t& number) {
    if (digits.empty() || digits.size() > 5) return false;
    uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > 65535) return false;
    number = static_cast<uint16_t>(value);
    return true;
}

RegisterImage DefaultImage() {
    RegisterImage image;
    for (const Block& block : DumpedBlocks)
        for (uint32_t word = block.First; word <= block.Last; ++word)
            image.DataWords[static_cast<uint16_t>(word)] = std::to_string(word);
    image.DataWords[20] = "0";
    image.DataWords[21] = "1";
    image.DataWords[22] = "12345";
    image.DataWords[23] = "65535";
    image.DataWords[109] = "123";
    image.DataWords[139] = "65535";
    image.DataWords[200] = "0";
    image.DataWords[249] = "54321";
    image.DataWords[899] = "9";
    image.DataWords[989] = "65535";
    image.Timers[2] = "00150";
    image.Timers[3] = "00000";
    image.Timers[12] = "00012";
    image.Timers[13] = "65535";
    image.Timers[48] = "1234";
    return image;
}

bool IsReportText(std::string_view text) {
    return text.substr(0, ReportHeader.size()) == ReportHeader;
}

ImageLoad ParsePlainImage(std::string_view text) {
    ImageLoad load;
    std::vector<std::string_view> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = TrimBlanks(lines[i]);
        if (line.empty() || line.front() == '#') continue;
        size_t nameEnd = line.find_first_of(" \t");
        std::string_view name = line.substr(0, nameEnd);
        std::string_view value =
            nameEnd == std::string_view::npos ? std::string_view{} : TrimBlanks(line.substr(nameEnd));
        uint16_t number = 0;
        if (StartsWithAnyCase(name, "DM") && ParseRegisterNumber(name.substr(2), number))
            load.Image.DataWords[number] = std::string(value);
        else if (StartsWithAnyCase(name, "T") && ParseRegisterNumber(name.substr(1), number))
            load.Image.Timers[number] = std::string(value);
        else
            return Failure(i, "no data word (DM<n>) or timer (T<n>): \"" + std::string(name) + "\"");
    }
    load.Ok = true;
    return load;
}

ImageLoad ParseReportImage(std::string_view text) {
    ImageLoad load;
    std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty() || lines[0] != ReportHeader) return Failure(0, "not the header of a report");
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.empty() || line == "Timers") continue;
        if (line.substr(0, RowStart.size()) == RowStart) {
            size_t labelEnd = line.find(']');
            uint16_t first = 0;
            if (labelEnd == std::string_view::npos ||
                !ParseRegisterNumber(line.substr(RowStart.size(), labelEnd - RowStart.size()), first) ||
                line.substr(labelEnd, RowLabelEnd.size()) != RowLabelEnd)
                return Failure(i, "a data row without a row label");
            std::string_view cells = line.substr(labelEnd + RowLabelEnd.size());
            if (cells.size() % CellWidth != 0)
                return Failure(i, "a data row whose cells are not 6 characters each");
            for (size_t cell = 0; cell * CellWidth < cells.size(); ++cell) {
                uint16_t value = 0;
                if (!ParseRegisterNumber(TrimBlanks(cells.substr(cell * CellWidth, CellWidth)), value))
                    return Failure(i, "cell " + std::to_string(cell) + " is not a 16-bit number");
                load.Image.DataWords[static_cast<uint16_t>(first + cell)] = std::to_string(value);
            }
            continue;
        }
        // A timer line: " T002 " and the value text as the controller gave it, blanks kept.
        uint16_t timer = 0;
        if (line.size() >= 6 && line.substr(0, 2) == " T" && line[5] == ' ' &&
            ParseRegisterNumber(line.substr(2, 3), timer)) {
            load.Image.Timers[timer] = std::string(line.substr(6));
            continue;
        }
        return Failure(i, "neither a data row nor a timer line");
    }
    load.Ok = true;
    return load;
}

ImageLoad ParseImage(std::string_view text) {
    return IsReportText(text) ? ParseReportImage(text) : ParsePlainImage(text);
}

ImageLoad LoadImageFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ImageLoad load;
        load.Error = path + ": cannot be read";
        return load;
    }
    std::ostringstream content;
    content << file.rdbuf();
    ImageLoad load = ParseImage(content.str());
    if (!load.Ok) load.Error = path + ": " + load.Error;
    return load;
}

std::string DataWordText(const RegisterImage& image, uint16_t word) {
    auto found = image.DataWords.find(word);
    return found == image.DataWords.end() ? "0" : found->second;
}

std::string TimerText(const RegisterImage& image, uint16_t timer) {
    auto found = image.Timers.find(timer);
    return found == image.Timers.end() ? "0" : found->second;
}

}  // namespace ctlsim
