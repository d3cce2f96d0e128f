// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/GuideJson.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

const QUuid guideId = QUuid::fromString(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
const QUuid stepId = QUuid::fromString(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"));

Guide goldenGuide()
{
    Guide guide;
    guide.id = guideId;
    guide.title = QStringLiteral("Guide – Mar 14, 2025 at 9:26 AM / \"copy\"");
    guide.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    guide.duration = 12;
    guide.videoFileName = QStringLiteral("video.mov");
    Step step;
    step.id = stepId;
    step.caption = QStringLiteral("Click \"Save\"\tnow\\");
    step.appName = QStringLiteral("Files");
    step.timestamp = 0.1;
    step.imageFileName = QStringLiteral("step-1.jpg");
    step.clickX = 0.5;
    step.clickY = 1.0 / 3.0;
    step.isRightClick = true;
    guide.steps = {step};
    return guide;
}

const char *const goldenDocument = R"({
  "createdAt" : "2025-03-14T09:26:53Z",
  "duration" : 12,
  "id" : "6F9619FF-8B86-D011-B42D-00C04FC964FF",
  "steps" : [
    {
      "appName" : "Files",
      "caption" : "Click \"Save\"\tnow\\",
      "clickX" : 0.5,
      "clickY" : 0.3333333333333333,
      "id" : "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "imageFileName" : "step-1.jpg",
      "isRightClick" : true,
      "timestamp" : 0.1
    }
  ],
  "title" : "Guide – Mar 14, 2025 at 9:26 AM \/ \"copy\"",
  "videoFileName" : "video.mov"
}
)";

TEST(GuideJson, WritesTheGoldenDocumentByteForByte)
{
    const auto document = encodeGuide(goldenGuide());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->toStdString(), std::string(goldenDocument));
}

TEST(GuideJson, RoundTripsTheGoldenDocument)
{
    const auto guide = decodeGuide(QByteArray(goldenDocument));
    ASSERT_TRUE(guide);
    EXPECT_EQ(*guide, goldenGuide());
}

TEST(GuideJson, AbsentOptionalsAreLeftOutAndNullReadsAsAbsent)
{
    Guide guide = goldenGuide();
    guide.videoFileName.reset();
    guide.steps[0].appName.reset();
    const QByteArray document = *encodeGuide(guide);
    EXPECT_FALSE(document.contains("videoFileName"));
    EXPECT_FALSE(document.contains("appName"));
    EXPECT_EQ(*decodeGuide(document), guide);

    QByteArray withNulls(goldenDocument);
    withNulls.replace("\"video.mov\"", "null").replace("\"Files\"", "null");
    const auto read = decodeGuide(withNulls);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->videoFileName);
    EXPECT_FALSE(read->steps[0].appName);
}

TEST(GuideJson, EmptyStepsRoundTripAsEmptyArray)
{
    Guide guide = goldenGuide();
    guide.steps.clear();
    const QByteArray document = *encodeGuide(guide);
    EXPECT_TRUE(document.contains("\"steps\" : []"));
    EXPECT_EQ(*decodeGuide(document), guide);
}

TEST(GuideJson, SubSecondCreationTimeIsTruncated)
{
    Guide guide = goldenGuide();
    guide.createdAt = guide.createdAt.addMSecs(750);
    const auto read = decodeGuide(*encodeGuide(guide));
    ASSERT_TRUE(read);
    EXPECT_NE(*read, guide);
    Guide expected = guide;
    expected.createdAt = goldenGuide().createdAt;
    EXPECT_EQ(*read, expected);
}

TEST(GuideJson, LowerCaseIdsReadAndAreWrittenUpperCase)
{
    QByteArray document(goldenDocument);
    document.replace("6F9619FF-8B86-D011-B42D-00C04FC964FF", "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    const auto guide = decodeGuide(document);
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->id, guideId);
    EXPECT_EQ(encodeGuide(*guide)->toStdString(), std::string(goldenDocument));
}

TEST(GuideJson, WholeNumbersReadAsDoublesAndUnknownKeysAreDropped)
{
    QByteArray document(goldenDocument);
    document.replace("\"duration\" : 12", "\"duration\" : 12.0, \"extra\" : {\"a\" : [1]}");
    document.replace("\"timestamp\" : 0.1", "\"timestamp\" : 0.1, \"zoom\" : 2");
    const auto guide = decodeGuide(document);
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->duration, 12.0);
    EXPECT_EQ(encodeGuide(*guide)->toStdString(), std::string(goldenDocument));
}

TEST(GuideJson, HugeWholeNumbersAreWrittenWithAnExponentAndReadBack)
{
    Guide guide = goldenGuide();
    guide.steps[0].timestamp = 7.777777777777777e19;
    guide.duration = -1e300;
    const QByteArray document = *encodeGuide(guide);
    EXPECT_TRUE(document.contains("\"timestamp\" : 7.777777777777777e+19")) << document.toStdString();
    const auto read = decodeGuide(document);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, guide);
}

TEST(GuideJson, NonFiniteNumbersCannotBeEncoded)
{
    Guide guide = goldenGuide();
    guide.steps[0].clickX = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(encodeGuide(guide));
}

TEST(GuideJson, ControlCharactersAreEscaped)
{
    Guide guide = goldenGuide();
    guide.title = QStringLiteral("a\nb") + QChar(0x01);
    const QByteArray document = *encodeGuide(guide);
    EXPECT_TRUE(document.contains(R"("title" : "a\nb\u0001")"));
    EXPECT_EQ(decodeGuide(document)->title, guide.title);
}

// Every way a document can be unreadable as a whole.
struct BrokenCase {
    const char *name;
    const char *from;
    const char *to;
};

class BrokenDocument : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenDocument, FailsAsAWhole)
{
    QByteArray document(goldenDocument);
    const BrokenCase &c = GetParam();
    ASSERT_TRUE(document.contains(c.from)) << c.name;
    document.replace(c.from, c.to);
    EXPECT_FALSE(decodeGuide(document)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenDocument,
    ::testing::Values(
        BrokenCase{"missingIsRightClick", "\"isRightClick\" : true,", ""},
        BrokenCase{"missingTitle", ",\n  \"title\" : \"Guide – Mar 14, 2025 at 9:26 AM \\/ \\\"copy\\\"\"", ""},
        BrokenCase{"missingSteps", "\"steps\" :", "\"steps2\" :"},
        BrokenCase{"durationAsText", "\"duration\" : 12", "\"duration\" : \"12\""},
        BrokenCase{"rightClickAsNumber", "\"isRightClick\" : true", "\"isRightClick\" : 1"},
        BrokenCase{"badUuid", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "not-a-uuid"},
        BrokenCase{"bracedUuid", "\"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D\"",
                   "\"{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}\""},
        BrokenCase{"fractionalDate", "09:26:53Z", "09:26:53.5Z"},
        BrokenCase{"dateWithoutZone", "09:26:53Z", "09:26:53"},
        BrokenCase{"impossibleDate", "2025-03-14", "2025-02-30"},
        BrokenCase{"appNameAsNumber", "\"appName\" : \"Files\"", "\"appName\" : 3"},
        BrokenCase{"stepNotAnObject", "  {\n      \"appName\"", "  7, {\n      \"appName\""},
        BrokenCase{"truncated", "\"video.mov\"\n}", "\"video.mov\""},
        BrokenCase{"topLevelArray", "{\n  \"createdAt\"", "[{\n  \"createdAt\""}),
    [](const ::testing::TestParamInfo<BrokenCase> &param) { return std::string(param.param.name); });

TEST(GuideJson, DateWithOffsetReadsAsTheSameInstant)
{
    const auto date = parseIsoDate(QStringLiteral("2025-03-14T10:26:53+01:00"));
    ASSERT_TRUE(date);
    EXPECT_EQ(isoDateText(*date), QStringLiteral("2025-03-14T09:26:53Z"));
}

TEST(GuideJson, DatesThatCouldNotBeWrittenBackAreRejected)
{
    // Read as an instant in the year 10000 (or 0): a save would write a document
    // no reader takes, and the guide would vanish.
    for (const char *text : {"9999-12-31T23:59:59-01:00", "9999-12-31T23:30:00-00:31", "0001-01-01T00:30:00+01:00"})
        EXPECT_FALSE(parseIsoDate(QString::fromLatin1(text))) << text;
    for (const char *text : {"9999-12-31T23:59:59Z", "9999-12-31T23:59:59+01:00", "0001-01-01T00:30:00-01:00"}) {
        const auto date = parseIsoDate(QString::fromLatin1(text));
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(parseIsoDate(isoDateText(*date)), date) << "round trip of " << text;
    }
}

} // namespace
} // namespace kelvo
