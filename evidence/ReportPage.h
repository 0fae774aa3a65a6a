#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>

#include "EventFrames.h"
#include "ReportRecord.h"
#include "ReportRedactionList.h"

// The user's fields of a recording kept in the library, printed among its facts.
struct ReportUserFields {
    std::string vehicle;
    std::string driver;
    std::string note;
};

// A stated correction of the recorder's clock, as printed.
struct ReportClockLines {
    struct Row {
        std::string label;      // which frame
        std::string recorded;   // its time of day by the recorder's clock
        std::string corrected;  // the same instant corrected
    };
    std::string offset;  // "+65 秒"
    std::string note;    // the user's reason; may be empty
    std::vector<Row> rows;
};

// What the report's pages show; every text as it is to be printed. The first page holds the
// recording's facts and its pictures, the second the record of the steps and the clock.
struct ReportContent {
    struct Picture {
        EventFrame frame;
        QImage image;  // as the viewer shows the frame; null when nothing could be decoded
    };

    std::string fileName;
    std::uint64_t fileSize = 0;
    std::string sha256;
    std::string captureDate;  // exactly as stored; empty when the recording has none
    std::size_t frameCount = 0;
    std::int32_t firstNumber = 0;
    std::int32_t lastNumber = 0;
    // Present when the recording is one of the library's.
    std::optional<ReportUserFields> userFields;
    Picture event;
    std::vector<Picture> around;
    std::string programName;
    std::string programVersion;
    std::string madeAt;
    // The recording as received first, then every file written with the report.
    std::vector<ReportRecordEntry> record;
    std::optional<ReportClockLines> clock;
    // Present when the share copy is redacted.
    std::optional<ReportRedaction> redaction;
};

// The report as A4 pages of PDF: Japanese labels in the IPA fonts, embedded, the text
// extractable. Needs a QGuiApplication (fonts); may run on any thread. Nothing when Qt could
// not draw the page.
std::optional<QByteArray> renderReportPdf(const ReportContent& content);
