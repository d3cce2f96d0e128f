// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/GuideJson.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

// A guide written before framing existed: it must load and save unchanged.
const char *const olderDocument = R"({
  "createdAt" : "2025-03-14T09:26:53Z",
  "duration" : 12,
  "id" : "6F9619FF-8B86-D011-B42D-00C04FC964FF",
  "steps" : [
    {
      "caption" : "Click \"Save\"",
      "clickX" : 0.5,
      "clickY" : 0.25,
      "id" : "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "imageFileName" : "step-1.jpg",
      "isRightClick" : false,
      "timestamp" : 0.1
    }
  ],
  "title" : "Old guide"
}
)";

const char *const framedDocument = R"({
  "createdAt" : "2025-03-14T09:26:53Z",
  "duration" : 12,
  "framing" : "clickedWindow",
  "id" : "6F9619FF-8B86-D011-B42D-00C04FC964FF",
  "steps" : [
    {
      "appName" : "Files",
      "caption" : "Click \"Save\"",
      "clickX" : 0.5,
      "clickY" : 0.25,
      "framing" : "closeUp",
      "id" : "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "imageFileName" : "step-1.jpg",
      "isRightClick" : false,
      "redactions" : [
        [
          0.1,
          0.2,
          0.25,
          0.125
        ],
        [
          0,
          0.5,
          1,
          0.5
        ]
      ],
      "timestamp" : 0.1,
      "windowFrame" : [
        0.25,
        0,
        0.5,
        0.75
      ]
    },
    {
      "caption" : "Plain",
      "clickX" : 0,
      "clickY" : 0,
      "id" : "1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "imageFileName" : "step-2.jpg",
      "isRightClick" : true,
      "timestamp" : 2
    }
  ],
  "title" : "Framed",
  "videoFileName" : "video.mov"
}
)";

QByteArray reencoded(const char *document)
{
    const auto guide = decodeGuide(QByteArray(document));
    EXPECT_TRUE(guide.has_value());
    return guide ? encodeGuide(*guide).value_or(QByteArray()) : QByteArray();
}

TEST(FramingJson, OlderDocumentsLoadAndSaveByteForByte)
{
    const auto guide = decodeGuide(QByteArray(olderDocument));
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->framing, std::nullopt);
    EXPECT_EQ(guide->steps[0].windowFrame, std::nullopt);
    EXPECT_EQ(guide->steps[0].framing, std::nullopt);
    EXPECT_TRUE(guide->steps[0].redactions.isEmpty());
    EXPECT_EQ(reencoded(olderDocument), QByteArray(olderDocument));
}

TEST(FramingJson, NewKeysRoundTripByteForByte)
{
    const auto guide = decodeGuide(QByteArray(framedDocument));
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->framing, Framing::clickedWindow);
    const Step &step = guide->steps[0];
    EXPECT_EQ(step.framing, Framing::closeUp);
    EXPECT_EQ(step.windowFrame, (NormalRect{0.25, 0, 0.5, 0.75}));
    ASSERT_EQ(step.redactions.size(), 2);
    EXPECT_EQ(step.redactions[0], (NormalRect{0.1, 0.2, 0.25, 0.125}));
    EXPECT_EQ(guide->steps[1].framing, std::nullopt);
    EXPECT_EQ(reencoded(framedDocument), QByteArray(framedDocument));
}

TEST(FramingJson, EveryFramingNameRoundTrips)
{
    for (const Framing framing : {Framing::wholeScreen, Framing::clickedWindow, Framing::closeUp}) {
        auto guide = decodeGuide(QByteArray(olderDocument));
        ASSERT_TRUE(guide);
        guide->framing = framing;
        guide->steps[0].framing = framing;
        const auto again = decodeGuide(encodeGuide(*guide).value());
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, *guide);
    }
}

// Odd values of the new keys read as absent: the guide itself still loads.
TEST(FramingJson, OddValuesOfTheNewKeysReadAsAbsent)
{
    QByteArray document(framedDocument);
    document.replace("\"framing\" : \"clickedWindow\"", "\"framing\" : \"sideways\"");
    document.replace("\"framing\" : \"closeUp\"", "\"framing\" : 3");
    document.replace("0.25,\n        0,\n        0.5,\n        0.75", "0.25,\n        0,\n        -0.5,\n        0.75");
    document.replace("0.1,\n          0.2,\n          0.25,\n          0.125", "\"a\", 1, 2, 3");
    const auto guide = decodeGuide(document);
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->framing, std::nullopt);
    EXPECT_EQ(guide->steps[0].framing, std::nullopt);
    EXPECT_EQ(guide->steps[0].windowFrame, std::nullopt);
    ASSERT_EQ(guide->steps[0].redactions.size(), 1); // the good one stays
    EXPECT_EQ(guide->steps[0].redactions[0], (NormalRect{0, 0.5, 1, 0.5}));

    QByteArray nulls(framedDocument);
    nulls.replace("\"framing\" : \"clickedWindow\"", "\"framing\" : null");
    nulls.replace("\"redactions\" : [", "\"redactions\" : null, \"x\" : [");
    const auto withNulls = decodeGuide(nulls);
    ASSERT_TRUE(withNulls);
    EXPECT_EQ(withNulls->framing, std::nullopt);
    EXPECT_TRUE(withNulls->steps[0].redactions.isEmpty());
}

TEST(FramingJson, HostileRectanglesAreRefused)
{
    QByteArray document(framedDocument);
    document.replace("0.25,\n        0,\n        0.5,\n        0.75", "1e300,\n        0,\n        0.5,\n        0.75");
    QByteArray many = "\"redactions\" : [";
    for (int i = 0; i < 5000; ++i)
        many += (i ? ", " : "") + QByteArray("[0, 0, 1, 1]");
    document.replace("\"redactions\" : [", many + ", ");
    const auto guide = decodeGuide(document);
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->steps[0].windowFrame, std::nullopt);
    EXPECT_EQ(guide->steps[0].redactions.size(), 256);
}

TEST(FramingJson, EmptyRedactionsAndAbsentKeysAreLeftOut)
{
    auto guide = decodeGuide(QByteArray(olderDocument));
    ASSERT_TRUE(guide);
    guide->steps[0].redactions.clear();
    const QByteArray written = encodeGuide(*guide).value();
    EXPECT_FALSE(written.contains("redactions"));
    EXPECT_FALSE(written.contains("framing"));
    EXPECT_FALSE(written.contains("windowFrame"));
}

} // namespace
} // namespace kelvo
