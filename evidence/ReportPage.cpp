#include "ReportPage.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "FrameTimeText.h"
#include "ReportMetadata.h"

namespace {

constexpr int dotsPerInch = 600;
constexpr double pageWidthMm = 210.0;
constexpr double marginMm = 15.0;
constexpr double contentWidthMm = pageWidthMm - 2 * marginMm;

// Texts of the page, kept together.
namespace text {
const QString title = QStringLiteral("報告書");
const QString subtitle = QStringLiteral("ドライブレコーダーの記録");
const QString fileName = QStringLiteral("ファイル名");
const QString fileSize = QStringLiteral("サイズ");
const QString sha256 = QStringLiteral("SHA-256");
const QString captureDate = QStringLiteral("撮影日時");
const QString noCaptureDate = QStringLiteral("（記録されていません）");
const QString frameCount = QStringLiteral("フレーム数");
const QString vehicle = QStringLiteral("車両");
const QString driver = QStringLiteral("運転者");
const QString note = QStringLiteral("メモ");
const QString notFilled = QStringLiteral("（記入されていません）");
const QString firstFrame = QStringLiteral("最初の時刻");
const QString lastFrame = QStringLiteral("最後の時刻");
const QString event = QStringLiteral("イベント位置");
const QString around = QStringLiteral("前後のフレーム");
const QString program = QStringLiteral("作成ソフト");
const QString madeAt = QStringLiteral("作成日時");
const QString bytes = QStringLiteral(" バイト");
const QString seconds = QStringLiteral(" 秒");
const QString frameNumber = QStringLiteral("フレーム番号 ");
const QString noPicture = QStringLiteral("（表示できません）");
const QString record = QStringLiteral("処理の記録");
const QString recordTitle = QStringLiteral("報告書（処理の記録）");
const QString how = QStringLiteral("方法");
const QString clock = QStringLiteral("時計の補正");
const QString clockOffset = QStringLiteral("補正値");
const QString clockNote = QStringLiteral("理由");
const QString noClockNote = QStringLiteral("（記入されていません）");
const QString recordedTime = QStringLiteral("記録された時刻");
const QString correctedTime = QStringLiteral("補正後の時刻");
const QString clockRule =
    QStringLiteral("正しい時刻 = 記録された時刻 + 補正値。録画ファイルは変更していません。");
QString correctedNote(const QString& offset) {
    return QStringLiteral("（時計の補正 %1、次のページ）").arg(offset);
}
QString offset(int seconds) {
    return seconds < 0 ? QStringLiteral("%1 秒前").arg(-seconds)
                       : QStringLiteral("%1 秒後").arg(seconds);
}
}  // namespace text

double mm(double millimetres) { return millimetres * dotsPerInch / 25.4; }

QString qs(const std::string& s) { return QString::fromStdString(s); }

QString grouped(std::uint64_t value) {
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, u',');
    }
    return digits;
}

QString readout(std::int32_t number) {
    return qs(frameTimeText(number)) + text::seconds + QStringLiteral("（") + text::frameNumber +
           QString::number(number) + QStringLiteral("）");
}

QFont font(const QString& family, double points, bool bold = false) {
    QFont chosen(family);
    chosen.setPointSizeF(points);
    chosen.setBold(bold);
    // Every glyph from the named font, never a substitute with other outlines or mappings.
    chosen.setStyleStrategy(QFont::NoFontMerging);
    return chosen;
}

class PageDrawer {
public:
    explicit PageDrawer(QPainter& painter) : painter(painter) {}

    void drawTitle() {
        painter.setFont(font(textFamily, 20, true));
        const QRectF line(mm(marginMm), mm(y), mm(contentWidthMm), mm(11));
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, text::title);
        painter.setFont(font(textFamily, 10));
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, text::subtitle);
        y += 12;
        rule();
        y += 3;
    }

    void drawFact(const QString& label, const QString& value, const QString& family = {}) {
        const QRectF labelBox(mm(marginMm), mm(y), mm(labelWidthMm), mm(factHeightMm));
        const QRectF valueBox(mm(marginMm + labelWidthMm), mm(y),
                              mm(contentWidthMm - labelWidthMm), mm(factHeightMm));
        painter.setFont(font(textFamily, 10, true));
        painter.drawText(labelBox, Qt::AlignLeft | Qt::AlignVCenter, label);
        painter.setFont(font(family.isEmpty() ? textFamily : family, 10));
        painter.drawText(valueBox, Qt::AlignLeft | Qt::AlignVCenter, value);
        y += factHeightMm;
    }

    void drawHeading(const QString& heading) {
        y += 3;
        painter.setFont(font(textFamily, 12, true));
        painter.drawText(QRectF(mm(marginMm), mm(y), mm(contentWidthMm), mm(7)),
                         Qt::AlignLeft | Qt::AlignVCenter, heading);
        y += 8;
    }

    // A picture fitted into a box of the content width, centred, and its caption lines below.
    void drawPicture(const QImage& image, double left, double width, double height,
                     const QStringList& caption, double points) {
        const QRectF box(mm(left), mm(y), mm(width), mm(height));
        if (image.isNull()) {
            painter.setFont(font(textFamily, points));
            painter.drawRect(box);
            painter.drawText(box, Qt::AlignCenter, text::noPicture);
        } else {
            QSizeF fitted = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
            const QRectF target(box.center().x() - fitted.width() / 2, box.top(),
                                fitted.width(), fitted.height());
            painter.drawImage(target, image);
            painter.drawRect(target);
        }
        painter.setFont(font(textFamily, points));
        const double lineMm = points * 0.50;
        double lineY = y + height + 1;
        for (const QString& line : caption) {
            painter.drawText(QRectF(mm(left), mm(lineY), mm(width), mm(lineMm)),
                             Qt::AlignHCenter | Qt::AlignVCenter, line);
            lineY += lineMm;
        }
    }

    // A line of small text across the content width, for the record's entries.
    void drawLine(const QString& line, double points, const QString& family = {}, bool bold = false,
                  double indentMm = 0) {
        painter.setFont(font(family.isEmpty() ? textFamily : family, points, bold));
        const double height = points * 0.5;
        painter.drawText(QRectF(mm(marginMm + indentMm), mm(y), mm(contentWidthMm - indentMm),
                                mm(height)),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += height;
    }

    // Cells of one table row at the given column offsets (millimetres from the margin).
    void drawRow(const QStringList& cells, const std::vector<double>& columns, double points,
                 bool bold = false) {
        painter.setFont(font(textFamily, points, bold));
        const double height = points * 0.55;
        for (qsizetype i = 0; i < cells.size() && i < static_cast<qsizetype>(columns.size()); ++i) {
            const double left = columns[static_cast<std::size_t>(i)];
            const double right = i + 1 < static_cast<qsizetype>(columns.size())
                                     ? columns[static_cast<std::size_t>(i + 1)]
                                     : contentWidthMm;
            painter.drawText(QRectF(mm(marginMm + left), mm(y), mm(right - left), mm(height)),
                             Qt::AlignLeft | Qt::AlignVCenter, cells[i]);
        }
        y += height;
    }

    void rule() {
        painter.drawLine(QPointF(mm(marginMm), mm(y)), QPointF(mm(pageWidthMm - marginMm), mm(y)));
    }

    double y = 12;
    QString textFamily = QStringLiteral("IPAPGothic");
    QString fixedFamily = QStringLiteral("IPAGothic");

    static constexpr double labelWidthMm = 32;
    static constexpr double factHeightMm = 6.2;

private:
    QPainter& painter;
};

QStringList captionOf(const ReportContent::Picture& picture) {
    QStringList lines;
    const EventFrame& frame = picture.frame;
    QString first = frame.offsetSeconds == 0 ? text::frameNumber + QString::number(frame.number)
                                             : text::offset(frame.offsetSeconds);
    first += QStringLiteral("　") + qs(frame.timeText) + text::seconds;
    lines << first;
    if (!frame.timeOfDay.empty()) {
        lines << qs(frame.timeOfDay);
    }
    return lines;
}

void drawPage(QPainter& painter, const ReportContent& content) {
    PageDrawer page(painter);
    QPen pen(Qt::black);
    pen.setWidthF(mm(0.2));
    painter.setPen(pen);

    page.drawTitle();
    page.drawFact(text::fileName, qs(content.fileName));
    page.drawFact(text::fileSize, grouped(content.fileSize) + text::bytes);
    page.drawFact(text::sha256, qs(content.sha256), page.fixedFamily);
    QString captureDate =
        content.captureDate.empty() ? text::noCaptureDate : qs(content.captureDate);
    if (content.clock) {
        captureDate += text::correctedNote(qs(content.clock->offset));
    }
    page.drawFact(text::captureDate, captureDate);
    page.drawFact(text::frameCount, QString::number(content.frameCount));
    page.drawFact(text::firstFrame, readout(content.firstNumber));
    page.drawFact(text::lastFrame, readout(content.lastNumber));
    double eventHeightMm = 72;
    if (content.userFields) {
        const auto filled = [](const std::string& value) {
            // One line each: a note's line breaks become spaces.
            const QString line = qs(value).simplified();
            return line.isEmpty() ? text::notFilled : line;
        };
        page.drawFact(text::vehicle, filled(content.userFields->vehicle));
        page.drawFact(text::driver, filled(content.userFields->driver));
        page.drawFact(text::note, filled(content.userFields->note));
        // The page holds as much as before: the event's picture gives up the room.
        eventHeightMm -= 3 * PageDrawer::factHeightMm;
    }

    page.drawHeading(text::event + QStringLiteral("（0.000") + text::seconds + QStringLiteral("）"));
    page.drawPicture(content.event.image, marginMm, contentWidthMm, eventHeightMm,
                     captionOf(content.event), 10);
    page.y += eventHeightMm + 12;

    page.drawHeading(text::around);
    constexpr int columns = 3;
    constexpr double gapMm = 6;
    constexpr double cellWidthMm = (contentWidthMm - (columns - 1) * gapMm) / columns;
    constexpr double cellHeightMm = 36;
    constexpr double rowMm = cellHeightMm + 12;
    const double firstRow = page.y;
    for (const ReportContent::Picture& picture : content.around) {
        // Earlier frames on the first row, later ones on the second, each in its own column.
        const int offset = picture.frame.offsetSeconds;
        const int row = offset < 0 ? 0 : 1;
        const int column = offset < 0 ? offset + 3 : offset - 1;
        page.y = firstRow + row * rowMm;
        page.drawPicture(picture.image, marginMm + column * (cellWidthMm + gapMm), cellWidthMm,
                         cellHeightMm, captionOf(picture), 8.5);
    }
    page.y = firstRow + 2 * rowMm + 2;

    page.rule();
    page.y += 1;
    page.drawFact(text::program, qs(content.programName) + QStringLiteral(" ") +
                                     qs(content.programVersion));
    page.drawFact(text::madeAt, qs(content.madeAt));
}

void drawRecordPage(QPainter& painter, const ReportContent& content) {
    PageDrawer page(painter);
    QPen pen(Qt::black);
    pen.setWidthF(mm(0.2));
    painter.setPen(pen);

    painter.setFont(font(page.textFamily, 16, true));
    painter.drawText(QRectF(mm(marginMm), mm(page.y), mm(contentWidthMm), mm(9)),
                     Qt::AlignLeft | Qt::AlignVCenter, text::recordTitle);
    painter.setFont(font(page.textFamily, 10));
    painter.drawText(QRectF(mm(marginMm), mm(page.y), mm(contentWidthMm), mm(9)),
                     Qt::AlignRight | Qt::AlignVCenter, qs(content.fileName));
    page.y += 10;
    page.rule();
    page.y += 1;

    page.drawHeading(text::record);
    for (const ReportRecordEntry& entry : content.record) {
        page.drawLine(qs(entry.what) + QStringLiteral("　") + qs(entry.name), 10, {}, true);
        page.y += 0.6;
        page.drawLine(text::how + QStringLiteral(": ") + qs(entry.how), 9, {}, false, 4);
        page.drawLine(text::fileSize + QStringLiteral(": ") + grouped(entry.size) + text::bytes,
                      9, {}, false, 4);
        page.drawLine(text::sha256 + QStringLiteral(": ") + qs(entry.sha256), 9,
                      page.fixedFamily, false, 4);
        page.y += 2.5;
    }

    if (content.clock) {
        page.y += 2;
        page.drawHeading(text::clock);
        page.drawFact(text::clockOffset, qs(content.clock->offset));
        page.drawFact(text::clockNote,
                      content.clock->note.empty() ? text::noClockNote : qs(content.clock->note));
        page.drawLine(text::clockRule, 9);
        page.y += 2;
        const std::vector<double> columns{0, 62, 121};
        page.drawRow({QString(), text::recordedTime, text::correctedTime}, columns, 9.5, true);
        page.y += 0.5;
        for (const ReportClockLines::Row& row : content.clock->rows) {
            page.drawRow({qs(row.label), qs(row.recorded), qs(row.corrected)}, columns, 9.5);
            page.y += 0.6;
        }
    }
}

}  // namespace

std::optional<QByteArray> renderReportPdf(const ReportContent& content) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return std::nullopt;
    }
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(dotsPerInch);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        const QString title = text::title + QStringLiteral(" ") + qs(content.fileName);
        const QString creator =
            qs(content.programName) + QStringLiteral(" ") + qs(content.programVersion);
        writer.setTitle(title);
        writer.setCreator(creator);
        writer.setDocumentXmpMetadata(reportXmp(title, creator, content.sha256));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return std::nullopt;
        }
        drawPage(painter, content);
        if (!content.record.empty() || content.clock) {
            if (!writer.newPage()) {
                return std::nullopt;
            }
            drawRecordPage(painter, content);
        }
        if (content.redaction) {
            // The list of regions takes a page of its own after the record.
            if (!writer.newPage()) {
                return std::nullopt;
            }
            drawRedactionList(painter, *content.redaction, dotsPerInch, marginMm, contentWidthMm);
        }
        if (!painter.end()) {
            return std::nullopt;
        }
    }
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    return bytes;
}
