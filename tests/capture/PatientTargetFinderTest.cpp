// SPDX-License-Identifier: GPL-3.0-or-later
// A second look when the first answer after a press is only a window, a
// document or nothing.
#include "capture/PatientTargetFinder.h"
#include "support/capture/FakeAccessibility.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <utility>

namespace kelvo {
namespace {

ClickTarget withRole(const char *role, const char *label = nullptr)
{
    ClickTarget target;
    target.role = QString::fromLatin1(role);
    if (label)
        target.label = QString::fromLatin1(label);
    return target;
}

struct Patient {
    std::shared_ptr<test::FakeClickTargetFinder> inner = std::make_shared<test::FakeClickTargetFinder>();
    std::vector<std::chrono::milliseconds> waits;
    std::vector<std::function<void()>> background; // launched, run when the test says
    PatientTargetFinder finder{inner, [this](std::chrono::milliseconds delay) { waits.push_back(delay); },
        [this](std::function<void()> job) { background.push_back(std::move(job)); }};
    void runBackground()
    {
        for (auto &job : std::exchange(background, {}))
            job();
    }
};

TEST(PatientTargetFinder, AGoodFirstAnswerIsKeptWithoutWaiting)
{
    Patient patient;
    patient.inner->push(withRole("AXButton", "Save"));
    EXPECT_EQ(patient.finder.inspectTarget(3, 4), withRole("AXButton", "Save"));
    EXPECT_TRUE(patient.waits.empty());
    EXPECT_EQ(patient.inner->points().size(), 1);
}

TEST(PatientTargetFinder, AWindowDocumentOrNothingGetsASecondLookAtTheSamePoint)
{
    for (const std::optional<ClickTarget> &weak :
        {std::optional<ClickTarget>(), std::optional(withRole("AXWindow", "Mozilla Firefox")),
            std::optional(withRole("AXDocumentWeb")), std::optional(ClickTarget{})}) {
        Patient patient;
        patient.inner->push(weak);
        patient.inner->push(withRole("AXMenuItem", "Print"));
        EXPECT_EQ(patient.finder.inspectTarget(7, 8), withRole("AXMenuItem", "Print"));
        EXPECT_EQ(patient.waits, std::vector{PatientTargetFinder::secondLookDelay});
        EXPECT_EQ(patient.inner->points(), (QList<QPointF>{{7, 8}, {7, 8}}));
    }
}

TEST(PatientTargetFinder, AWeakSecondAnswerKeepsTheFirstUnlessTheFirstWasNothing)
{
    Patient window;
    window.inner->push(withRole("AXWindow", "Notes"));
    window.inner->push(std::nullopt);
    EXPECT_EQ(window.finder.inspectTarget(1, 1), withRole("AXWindow", "Notes"));

    Patient nothing;
    nothing.inner->push(std::nullopt);
    nothing.inner->push(withRole("AXWindow", "Notes"));
    EXPECT_EQ(nothing.finder.inspectTarget(1, 1), withRole("AXWindow", "Notes"));

    Patient twice;
    twice.inner->push(std::nullopt);
    twice.inner->push(std::nullopt);
    EXPECT_EQ(twice.finder.inspectTarget(1, 1), std::nullopt);
    EXPECT_EQ(twice.waits.size(), 1u) << "at most one second look";
}

TEST(PatientTargetFinder, AnswerReadWhileThePointerRestedWinsAtThatPoint)
{
    Patient patient;
    patient.inner->push(withRole("AXMenuItem", "Print")); // while resting: the menu is open
    patient.inner->push(std::nullopt);                     // after the press: it closed
    patient.finder.rest(40, 50);
    patient.runBackground();
    EXPECT_EQ(patient.finder.inspectTarget(40, 50), withRole("AXMenuItem", "Print"));
    EXPECT_EQ(patient.inner->points().size(), 1) << "the press did not ask again";
    EXPECT_TRUE(patient.waits.empty());
}

TEST(PatientTargetFinder, RestingElsewhereOrNotYetReadIsNotUsed)
{
    Patient elsewhere;
    elsewhere.inner->push(withRole("AXButton", "Old"));
    elsewhere.inner->push(withRole("AXButton", "New"));
    elsewhere.finder.rest(1, 1);
    elsewhere.runBackground();
    EXPECT_EQ(elsewhere.finder.inspectTarget(2, 2), withRole("AXButton", "New"));

    Patient pending;
    pending.inner->push(withRole("AXButton", "At the press"));
    pending.finder.rest(5, 5); // its reading has not finished when the press comes
    EXPECT_EQ(pending.finder.inspectTarget(5, 5), withRole("AXButton", "At the press"));

    // A reading that finishes after the pointer moved on is dropped.
    Patient moved;
    moved.finder.rest(5, 5);
    auto stale = std::exchange(moved.background, {});
    moved.finder.rest(9, 9);
    moved.inner->push(withRole("AXButton", "Stale"));
    stale.front()();
    moved.inner->push(withRole("AXButton", "Fresh"));
    EXPECT_EQ(moved.finder.inspectTarget(5, 5), withRole("AXButton", "Fresh"));
}

TEST(PatientTargetFinder, AWeakRestingAnswerLeavesThePressToAsk)
{
    Patient patient;
    patient.inner->push(withRole("AXWindow", "Firefox"));
    patient.inner->push(withRole("AXLink", "Docs"));
    patient.finder.rest(3, 3);
    patient.runBackground();
    EXPECT_EQ(patient.finder.inspectTarget(3, 3), withRole("AXLink", "Docs"));
}

TEST(PatientTargetFinder, GroupsAndTextAreasAreAnswersInTheirOwnRight)
{
    EXPECT_FALSE(PatientTargetFinder::isWeak(withRole("AXGroup")));
    EXPECT_FALSE(PatientTargetFinder::isWeak(withRole("AXTextArea")));
    EXPECT_TRUE(PatientTargetFinder::isWeak(withRole("AXApplication")));
}

} // namespace
} // namespace kelvo
