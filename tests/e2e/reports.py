"""Report files and the screen of a dump: the fixtures, the reports that follow from them
for a dump cut short, and the console layout that frames a report's lines."""
import os

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")
LINES = 32
LINE = "\u2500"  # code 196 as the console shows it: the light horizontal line
TIMER_LINES = range(26, 31)
CELL_ROWS = [*range(2, 14), *range(15, 20), 21, 22]  # report line indexes of the data rows
LABEL = 17  # "  DM[020]        ": the cells start after it


def fixture(name):
    with open(os.path.join(FIXTURES, name), "rb") as f:
        return f.read()


def lines_of(report):
    """The report's lines without their CR LF; None unless it is 32 lines, each ended by
    CR LF."""
    if not report.endswith(b"\r\n"):
        return None
    lines = report[:-2].split(b"\r\n")
    return lines if len(lines) == LINES else None


def cut_after(whole, cells, timers):
    """The report of a dump that stopped after its first `cells` data words and `timers`
    timers: 0 in every later cell, the label alone on every later timer line."""
    lines = lines_of(whole)
    seen = 0
    for index in CELL_ROWS:
        row = lines[index]
        cell_text = row[LABEL:]
        new = b""
        for i in range(0, len(cell_text), 6):
            new += cell_text[i:i + 6] if seen < cells else b"     0"
            seen += 1
        lines[index] = row[:LABEL] + new
    for n, index in enumerate(TIMER_LINES):
        if n >= timers:
            lines[index] = lines[index][:6]
    return b"".join(line + b"\r\n" for line in lines)


def cut_point(report, whole):
    """How many data words and timers of the report came before the stop: the cut of
    `whole` that it equals, or None."""
    for cells in range(190, -1, -1):
        for timers in (range(5, -1, -1) if cells == 190 else (0,)):
            if cut_after(whole, cells, timers) == report:
                return cells, timers
    return None


def screen_of(report, width):
    """The console rows of a finished dump of this report, a long line wrapped at the
    window's width, and the row that the cursor is left on."""
    text = [line.decode("latin-1") for line in lines_of(report)]
    rows = [LINE * 79, text[0], LINE * 77, *text[2:14], "", *text[15:20], "", text[21], text[22],
            LINE * 79, "", "Timers", "", *text[26:31], ""]
    wrapped = []
    for row in rows:
        wrapped += [row[i:i + width] for i in range(0, max(len(row), 1), width)]
    return [row.rstrip() for row in wrapped], len(wrapped)
