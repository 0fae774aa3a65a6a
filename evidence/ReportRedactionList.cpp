#include "ReportRedactionList.h"

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

namespace {

namespace text {
const QString heading = QStringLiteral("墨消し");
QString statement(std::size_t count) {
    return QStringLiteral("共有用の動画は墨消し済みです（%1 箇所）。この報告書の画像にも同じ墨消しがあります。"
                          "原本には手を加えていません。")
        .arg(count);
}
const QString number = QStringLiteral("番号");
const QString label = QStringLiteral("種類");
const QString span = QStringLiteral("範囲（読み出し時刻）");
const QString keys = QStringLiteral("キー数");
QString spanOf(const ReportRedaction::Region& region) {
    return QString::fromStdString(region.from) + QStringLiteral(" 秒 〜 ") +
           QString::fromStdString(region.to) + QStringLiteral(" 秒");
}
}  // namespace text

QFont font(double points, bool bold = false) {
    QFont chosen(QStringLiteral("IPAPGothic"));
    chosen.setPointSizeF(points);
    chosen.setBold(bold);
    chosen.setStyleStrategy(QFont::NoFontMerging);
    return chosen;
}

}  // namespace

void drawRedactionList(QPainter& painter, const ReportRedaction& redaction, int dotsPerInch,
                       double marginMm, double widthMm) {
    const auto mm = [dotsPerInch](double millimetres) { return millimetres * dotsPerInch / 25.4; };
    constexpr double lineMm = 6.2;
    // The columns' left edges, as shares of the width.
    constexpr double columns[] = {0.0, 0.10, 0.30, 0.85};
    double y = 12;

    painter.setFont(font(14, true));
    painter.drawText(QRectF(mm(marginMm), mm(y), mm(widthMm), mm(9)),
                     Qt::AlignLeft | Qt::AlignVCenter, text::heading);
    y += 10;
    painter.setFont(font(10));
    painter.drawText(QRectF(mm(marginMm), mm(y), mm(widthMm), mm(lineMm * 2)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     text::statement(redaction.regions.size()));
    y += lineMm * 2 + 2;

    const auto row = [&](const QStringList& cells, bool bold) {
        painter.setFont(font(10, bold));
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const double left = marginMm + columns[c] * widthMm;
            const double right = c + 1 < cells.size() ? marginMm + columns[c + 1] * widthMm
                                                      : marginMm + widthMm;
            painter.drawText(QRectF(mm(left), mm(y), mm(right - left), mm(lineMm)),
                             Qt::AlignLeft | Qt::AlignVCenter, cells[c]);
        }
        y += lineMm;
    };
    row({text::number, text::label, text::span, text::keys}, true);
    painter.drawLine(QPointF(mm(marginMm), mm(y)), QPointF(mm(marginMm + widthMm), mm(y)));
    // A long list goes on over further pages, each with the column heads again.
    constexpr double pageEndMm = 297.0 - 15.0;
    auto* pages = dynamic_cast<QPagedPaintDevice*>(painter.device());
    std::size_t number = 0;
    for (const ReportRedaction::Region& region : redaction.regions) {
        if (y + lineMm > pageEndMm && pages != nullptr && pages->newPage()) {
            y = 12;
            row({text::number, text::label, text::span, text::keys}, true);
        }
        row({QString::number(++number), QString::fromStdString(region.label), text::spanOf(region),
             QString::number(region.keys)},
            false);
    }
}
