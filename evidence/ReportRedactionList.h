#pragma once

#include <cstddef>
#include <string>
#include <vector>

class QPainter;

// The report's list of the share copy's redaction regions, every text as it is printed.
struct ReportRedaction {
    struct Region {
        std::string label;  // ナンバー, 顔, その他
        std::string from;   // the readout's time text of its first frame
        std::string to;     // and of its last
        std::size_t keys = 0;
    };
    std::vector<Region> regions;
};

// Draws the heading, the statement that the share copy (and the report's pictures) are
// redacted, and one line per region, from the top margin of the current page. Lengths in mm
// on a page of `dotsPerInch`.
void drawRedactionList(QPainter& painter, const ReportRedaction& redaction, int dotsPerInch,
                       double marginMm, double widthMm);
