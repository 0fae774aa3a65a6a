#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>

#include "EventFrames.h"
#include "ReportRedactionList.h"

// What the one page of a report shows; every text as it is to be printed.
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
    Picture event;
    std::vector<Picture> around;
    std::string programName;
    std::string programVersion;
    std::string madeAt;
    // Present when the share copy is redacted.
    std::optional<ReportRedaction> redaction;
};

// The report as one A4 page of PDF: Japanese labels in the IPA fonts, embedded, the text
// extractable. Needs a QGuiApplication (fonts); may run on any thread. Nothing when Qt could
// not draw the page.
std::optional<QByteArray> renderReportPdf(const ReportContent& content);
