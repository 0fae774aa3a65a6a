#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ExifDateReader.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "RoadScene.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kDate = "2026:11:28 14:35:07";
// Where the APP1 segment starts in a frame made by frameWith: right after SOI.
constexpr std::size_t kSegmentStart = 2;

Bytes frameWith(const Bytes& app1) {
    static const Bytes rgb = renderRoadScene(16, 16, 0, 1);
    JpegEncodeOptions options;
    options.app1 = app1;
    return encodeJpeg(16, 16, rgb, options);
}

struct Exif {
    Bytes segment;
    ExifSegmentLayout layout;
    ExifByteOrder order;

    // Positions in the frame rather than in the segment.
    std::size_t tiffStart() const { return kSegmentStart + layout.tiffStart; }
    std::size_t dateText() const { return kSegmentStart + layout.dateText; }
    void put16(std::size_t pos, std::uint16_t v) { putExifU16(segment, pos, v, order); }
    void put32(std::size_t pos, std::uint32_t v) { putExifU32(segment, pos, v, order); }
    Bytes frame() const { return frameWith(segment); }
};

ExifSegmentOptions withDate() {
    ExifSegmentOptions options;
    options.dateTimeOriginal = kDate;
    return options;
}

Exif makeExif(ExifByteOrder order = ExifByteOrder::Intel, ExifSegmentOptions options = withDate()) {
    options.order = order;
    Exif exif{{}, {}, order};
    exif.segment = makeExifSegment(options, &exif.layout);
    return exif;
}

// The date, or nullopt when parse fails; a failed parse must leave no date behind.
std::optional<std::string> dateOf(const Bytes& bytes) {
    ExifDateReader reader;
    if (!reader.parse(bytes.data(), bytes.size())) {
        EXPECT_EQ(reader.getDate(), "");
        return std::nullopt;
    }
    return reader.getDate();
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ExifBothOrders : public testing::TestWithParam<ExifByteOrder> {};

INSTANTIATE_TEST_SUITE_P(ByteOrder, ExifBothOrders,
                         testing::Values(ExifByteOrder::Intel, ExifByteOrder::Motorola),
                         [](const auto& info) {
                             return info.param == ExifByteOrder::Intel ? "II" : "MM";
                         });

}  // namespace

TEST(ExifDateReader, IntelAndMotorolaGiveTheSameText) {
    EXPECT_EQ(dateOf(frameWith(makeExifSegment(kDate, ExifByteOrder::Intel))), kDate);
    EXPECT_EQ(dateOf(frameWith(makeExifSegment(kDate, ExifByteOrder::Motorola))), kDate);
}

TEST(ExifDateReader, TextIsTakenExactlyAsStored) {
    for (const std::string text : {"2026:11:28 14:35:07", "  1999/12/31 23:59:59 local ",
                                   "not a date at all, but stored in 0x9003"}) {
        EXPECT_EQ(dateOf(frameWith(makeExifSegment(text))), text);
    }
}

TEST(ExifDateReader, JfifFrameWithoutApp1HasNoDate) {
    EXPECT_EQ(dateOf(frameWith({})), std::nullopt);
}

TEST(ExifDateReader, App1AfterOtherSegmentsIsFound) {
    // A JFIF APP0 and a comment before the EXIF block are passed over.
    Bytes frame = frameWith({});
    ASSERT_EQ(frame[3], 0xE0);
    const std::size_t afterApp0 = 4 + ((frame[4] << 8) | frame[5]);
    const Bytes comment = {0xFF, 0xFE, 0x00, 0x07, 'h', 'e', 'l', 'l', 'o'};
    const Bytes app1 = makeExifSegment(kDate, ExifByteOrder::Motorola);
    frame.insert(frame.begin() + afterApp0, app1.begin(), app1.end());
    frame.insert(frame.begin() + afterApp0, comment.begin(), comment.end());
    EXPECT_EQ(dateOf(frame), kDate);
}

TEST(ExifDateReader, MarkerScanLooksAtEveryByte) {
    // An APP1 hidden in a comment's payload is found before the real one, because
    // segments are not skipped by their length.
    const Bytes hidden = makeExifSegment("1999:01:01 00:00:00");
    Bytes comment = {0xFF, 0xFE, 0, 0};
    comment.insert(comment.end(), hidden.begin(), hidden.end());
    comment[2] = static_cast<std::uint8_t>((comment.size() - 2) >> 8);
    comment[3] = static_cast<std::uint8_t>(comment.size() - 2);
    Bytes frame = frameWith(makeExifSegment(kDate));
    frame.insert(frame.begin() + 2, comment.begin(), comment.end());
    EXPECT_EQ(dateOf(frame), "1999:01:01 00:00:00");

    // A stray FF E1 in a comment is taken as the APP1; without "Exif" there the parse fails.
    Bytes stray = frameWith(makeExifSegment(kDate));
    const Bytes fake = {0xFF, 0xFE, 0x00, 0x06, 0xFF, 0xE1, 0x00, 0x10};
    stray.insert(stray.begin() + 2, fake.begin(), fake.end());
    EXPECT_EQ(dateOf(stray), std::nullopt);
}

TEST(ExifDateReader, FirstMarkerMustBeStartOfImage) {
    const Bytes frame = frameWith(makeExifSegment(kDate));
    // Bytes before the first 0xFF do not matter.
    EXPECT_EQ(dateOf(concat({0x00, 0x12, 0x34}, frame)), kDate);
    // Any other first marker fails, although a valid EXIF block follows.
    EXPECT_EQ(dateOf(concat({0xFF, 0xD9}, frame)), std::nullopt);
    EXPECT_EQ(dateOf(concat({0x00, 0xFF, 0xE1}, frame)), std::nullopt);
    // FF FF D8: the first marker code read is FF.
    EXPECT_EQ(dateOf(concat({0xFF}, frame)), std::nullopt);

    EXPECT_EQ(dateOf({}), std::nullopt);
    EXPECT_EQ(dateOf({0xFF}), std::nullopt);
    EXPECT_EQ(dateOf({0xFF, 0xD8}), std::nullopt);
    EXPECT_EQ(dateOf({0xFF, 0xD8, 0xFF}), std::nullopt);
    ExifDateReader reader;
    EXPECT_FALSE(reader.parse(nullptr, 0));
}

TEST_P(ExifBothOrders, HeaderMustBeExifThenByteOrderThen42) {
    const Exif valid = makeExif(GetParam());
    for (std::size_t i = 4; i < 10; ++i) {
        Exif exif = valid;
        exif.segment[i] ^= 0x20;
        EXPECT_EQ(dateOf(exif.frame()), std::nullopt) << "identifier byte " << i;
    }
    for (const Bytes& mark : {Bytes{'I', 'M'}, Bytes{'M', 'I'}, Bytes{'X', 'X'}, Bytes{0, 0}}) {
        Exif exif = valid;
        exif.segment[exif.layout.tiffStart] = mark[0];
        exif.segment[exif.layout.tiffStart + 1] = mark[1];
        EXPECT_EQ(dateOf(exif.frame()), std::nullopt);
    }
    {
        // The other byte order's mark makes 42 read as 0x2A00.
        Exif exif = valid;
        const std::uint8_t other = GetParam() == ExifByteOrder::Intel ? 'M' : 'I';
        exif.segment[exif.layout.tiffStart] = other;
        exif.segment[exif.layout.tiffStart + 1] = other;
        EXPECT_EQ(dateOf(exif.frame()), std::nullopt);
    }
    Exif exif = valid;
    exif.put16(exif.layout.tiffStart + 2, 43);
    EXPECT_EQ(dateOf(exif.frame()), std::nullopt);
}

TEST_P(ExifBothOrders, MissingPointerOrDateTagGivesNoDate) {
    ExifSegmentOptions noPointer = withDate();
    noPointer.exifPointer = false;
    EXPECT_EQ(dateOf(makeExif(GetParam(), noPointer).frame()), std::nullopt);

    ExifSegmentOptions noDate = withDate();
    noDate.dateTimeOriginal = std::nullopt;
    EXPECT_EQ(dateOf(makeExif(GetParam(), noDate).frame()), std::nullopt);

    Exif emptyIfd0 = makeExif(GetParam());
    emptyIfd0.put16(emptyIfd0.layout.ifd0, 0);
    EXPECT_EQ(dateOf(emptyIfd0.frame()), std::nullopt);
    Exif emptyExifIfd = makeExif(GetParam());
    emptyExifIfd.put16(emptyExifIfd.layout.exifIfd, 0);
    EXPECT_EQ(dateOf(emptyExifIfd.frame()), std::nullopt);
}

TEST_P(ExifBothOrders, OnlyTheTagsDecideNotTypeOrCount) {
    Exif exif = makeExif(GetParam());
    // Type and count fields sit 6 and 4 bytes before each value field.
    for (std::size_t value : {exif.layout.exifPointerValue, exif.layout.dateValue}) {
        exif.put16(value - 6, 0xBEEF);
        exif.put32(value - 4, 0xFFFFFFFF);
    }
    EXPECT_EQ(dateOf(exif.frame()), kDate);
}

TEST_P(ExifBothOrders, EveryTruncationFailsUntilTheWholeTextIsInside) {
    const Exif exif = makeExif(GetParam());
    const Bytes frame = exif.frame();
    const std::size_t needed = exif.dateText() + kDate.size() + 1;  // text and its zero
    for (std::size_t length = 0; length <= frame.size(); ++length) {
        // A buffer of exactly this length, so that an over-read leaves the allocation.
        const Bytes prefix(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length));
        const std::optional<std::string> date = dateOf(prefix);
        if (length >= needed) {
            EXPECT_EQ(date, kDate) << "length " << length;
        } else {
            EXPECT_EQ(date, std::nullopt) << "length " << length;
        }
    }
}

TEST_P(ExifBothOrders, TextWithoutTerminatingZeroFails) {
    const Exif exif = makeExif(GetParam());
    const Bytes frame = exif.frame();
    // The text runs to the last byte of the data.
    const Bytes cut(frame.begin(), frame.begin() + exif.dateText() + kDate.size());
    EXPECT_EQ(dateOf(cut), std::nullopt);
    const Bytes atEnd(frame.begin(), frame.begin() + exif.dateText());
    EXPECT_EQ(dateOf(atEnd), std::nullopt);
}

TEST_P(ExifBothOrders, OffsetsPastTheEndFail) {
    const Exif valid = makeExif(GetParam());
    const std::size_t frameSize = valid.frame().size();
    const auto pastEnd = static_cast<std::uint32_t>(frameSize - valid.tiffStart());
    const std::size_t ifd0Field = valid.layout.tiffStart + 4;
    for (std::size_t field : {ifd0Field, valid.layout.exifPointerValue, valid.layout.dateValue}) {
        for (std::uint32_t offset : {pastEnd, pastEnd + 1, 0x7FFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
            Exif exif = valid;
            exif.put32(field, offset);
            EXPECT_EQ(dateOf(exif.frame()), std::nullopt) << "field " << field << " " << offset;
        }
    }
    // A directory whose last entries lie past the end of the data.
    Exif nearEnd = valid;
    nearEnd.put32(valid.layout.exifPointerValue, pastEnd - 8);
    EXPECT_EQ(dateOf(nearEnd.frame()), std::nullopt);
}

TEST_P(ExifBothOrders, HugeEntryCountsRunOutOfDataAndFail) {
    ExifSegmentOptions noPointer = withDate();
    noPointer.exifPointer = false;
    Exif ifd0 = makeExif(GetParam(), noPointer);
    ifd0.put16(ifd0.layout.ifd0, 0xFFFF);
    EXPECT_EQ(dateOf(ifd0.frame()), std::nullopt);

    ExifSegmentOptions noDate = withDate();
    noDate.dateTimeOriginal = std::nullopt;
    Exif exifIfd = makeExif(GetParam(), noDate);
    exifIfd.put16(exifIfd.layout.exifIfd, 0xFFFF);
    EXPECT_EQ(dateOf(exifIfd.frame()), std::nullopt);

    // The count is only an upper bound: the tag is found where it stands.
    Exif found = makeExif(GetParam());
    found.put16(found.layout.exifIfd, 0xFFFF);
    EXPECT_EQ(dateOf(found.frame()), kDate);
}

TEST(ExifDateReader, OffsetsDoNotWrapAround) {
    // What a wrapped 32-bit sum of TIFF start and offset would find stands before the
    // first 0xFF: the date text, and a copy of the EXIF directory.
    const Exif exif = makeExif();
    Bytes text(kDate.begin(), kDate.end());
    text.push_back(0);
    const Bytes directory(exif.segment.begin() + exif.layout.exifIfd,
                          exif.segment.begin() + exif.layout.dateText);
    ASSERT_EQ(std::count(directory.begin(), directory.end(), 0xFF), 0);
    const Bytes prefix = concat(text, directory);
    const std::size_t tiffStart = prefix.size() + exif.tiffStart();
    EXPECT_EQ(dateOf(concat(prefix, exif.frame())), kDate);

    Exif wrappedText = exif;
    wrappedText.put32(exif.layout.dateValue, static_cast<std::uint32_t>(0x100000000 - tiffStart));
    EXPECT_EQ(dateOf(concat(prefix, wrappedText.frame())), std::nullopt);

    Exif wrappedDirectory = exif;
    wrappedDirectory.put32(exif.layout.exifPointerValue,
                           static_cast<std::uint32_t>(0x100000000 - tiffStart + text.size()));
    EXPECT_EQ(dateOf(concat(prefix, wrappedDirectory.frame())), std::nullopt);
}

TEST(ExifDateReader, ReusedReaderForgetsTheEarlierDate) {
    ExifDateReader reader;
    const Bytes good = frameWith(makeExifSegment(kDate));
    const Bytes bad = frameWith({});
    ASSERT_TRUE(reader.parse(good.data(), good.size()));
    EXPECT_FALSE(reader.parse(bad.data(), bad.size()));
    EXPECT_EQ(reader.getDate(), "");
}
