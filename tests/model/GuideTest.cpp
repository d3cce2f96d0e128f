// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Guide.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvo {
namespace {

Step someStep()
{
    Step step;
    step.caption = QStringLiteral("Click \"Save\"");
    step.appName = QStringLiteral("Text Editor");
    step.timestamp = 3.25;
    step.imageFileName = QStringLiteral("step-1.jpg");
    step.clickX = 0.5;
    step.clickY = 0.25;
    return step;
}

TEST(GuideRecords, NewRecordsGetDistinctIds)
{
    EXPECT_NE(Step().id, Step().id);
    EXPECT_NE(Guide().id, Guide().id);
}

TEST(GuideRecords, EqualityIsMemberwise)
{
    const Step a = someStep();
    Step b = a;
    EXPECT_EQ(a, b);
    b.appName.reset();
    EXPECT_NE(a, b);
    b = a;
    b.appName = QString();
    EXPECT_NE(a, b) << "an empty name is not an absent name";
    b = a;
    b.isRightClick = true;
    EXPECT_NE(a, b);

    Guide g1;
    g1.steps = {a};
    Guide g2 = g1;
    EXPECT_EQ(g1, g2);
    g2.steps[0].caption += QLatin1Char('!');
    EXPECT_NE(g1, g2) << "same id, different step";
}

TEST(GuideRecords, NaNNeverEqualsItself)
{
    Step a = someStep();
    a.clickX = std::nan("");
    const Step b = a;
    EXPECT_NE(a, b);
}

TEST(GuideRecords, DatesCompareAsInstants)
{
    Guide a;
    a.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    Guide b = a;
    b.createdAt = a.createdAt.toOffsetFromUtc(3600);
    EXPECT_EQ(a, b);
}

struct FileNameCase {
    const char *name;
    bool bare;
};

class BareFileName : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(BareFileName, Classifies)
{
    EXPECT_EQ(isBareFileName(QString::fromUtf8(GetParam().name)), GetParam().bare) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, BareFileName,
                         ::testing::Values(FileNameCase{"step-1.jpg", true}, FileNameCase{"video.mov", true},
                                           FileNameCase{"..hidden", true}, FileNameCase{"", false},
                                           FileNameCase{".", false}, FileNameCase{"..", false},
                                           FileNameCase{"../step-1.jpg", false},
                                           FileNameCase{"/etc/passwd", false},
                                           FileNameCase{"a\\b.jpg", false}));

} // namespace
} // namespace kelvo
