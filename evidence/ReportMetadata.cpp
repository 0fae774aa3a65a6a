#include "ReportMetadata.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view sourceOpen = "<dc:source>sha256:";
constexpr std::size_t hexDigits = 64;

QString xmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

bool isLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

}  // namespace

QByteArray reportXmp(const QString& title, const QString& creator, const std::string& sha256) {
    // The packet Qt would write on its own carries the title and the creator; ours must too,
    // since setting a packet replaces Qt's.
    const QString packet =
        QStringLiteral(
            "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
            " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
            "  <rdf:Description rdf:about=\"\"\n"
            "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
            "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
            "   <dc:title><rdf:Alt><rdf:li "
            "xml:lang=\"x-default\">%1</rdf:li></rdf:Alt></dc:title>\n"
            "   <dc:source>sha256:%2</dc:source>\n"
            "   <xmp:CreatorTool>%3</xmp:CreatorTool>\n"
            "  </rdf:Description>\n"
            " </rdf:RDF>\n"
            "</x:xmpmeta>\n"
            "<?xpacket end=\"w\"?>")
            .arg(xmlEscaped(title), QString::fromStdString(sha256), xmlEscaped(creator));
    return packet.toUtf8();
}

std::optional<std::string> reportedRecordingSha256(std::string_view pdf) {
    const std::size_t at = pdf.find(sourceOpen);
    if (at == std::string_view::npos || pdf.size() - at - sourceOpen.size() < hexDigits) {
        return std::nullopt;
    }
    const std::string_view digest = pdf.substr(at + sourceOpen.size(), hexDigits);
    if (!std::all_of(digest.begin(), digest.end(), isLowerHex)) {
        return std::nullopt;
    }
    return std::string(digest);
}
