// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scripted stand-ins for the accessibility service, the element tree, the
// application names and the whole inspector, for tests of anything that
// describes clicks. Link `kelvo_capture_fakes`.

#include "capture/AccessibleElement.h"
#include "capture/ApplicationNames.h"
#include "capture/ClickTargetFinder.h"
#include "capture/TargetLookup.h"

#include <QHash>
#include <QPointF>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace kelvo::test {

// An element whose attributes are set by the test. Unset attributes read as
// absent; every read is counted so tests can prove a source was never asked.
class FakeElement : public AccessibleElement, public std::enable_shared_from_this<FakeElement> {
public:
    static std::shared_ptr<FakeElement> make(const QString &role = {});

    FakeElement &set(const QString &name, AttributeValue value);
    FakeElement &setPid(std::optional<qint64> pid);
    // Links child under this element: "AXChildren" of this, "AXParent" of child
    // (held weakly, so the test keeps the tree alive).
    FakeElement &adopt(const std::shared_ptr<FakeElement> &child);

    AttributeValue attribute(QStringView name) override;
    std::optional<qint64> processId() override;

    int reads(const QString &name) const { return readCounts.value(name); }
    int totalReads() const;

private:
    QHash<QString, AttributeValue> values;
    QHash<QString, int> readCounts;
    std::optional<qint64> pid;
    std::weak_ptr<FakeElement> parent;
};

class FakeAccessibilityService : public AccessibilityService {
public:
    bool trusted = true;
    ElementPtr hit;                       // what every hit test yields
    std::optional<float> timeoutSet;      // the last messaging timeout set
    int hitTests = 0;
    QPointF lastPoint;

    bool isTrusted() override { return trusted; }
    void setMessagingTimeout(float seconds) override { timeoutSet = seconds; }
    ElementPtr elementAtPosition(float x, float y) override;
};

class FakeApplicationNames : public ApplicationNames {
public:
    void setName(qint64 pid, const QString &name);
    void setFrontmost(std::optional<QString> name);

    std::optional<QString> applicationName(qint64 pid) override;
    std::optional<QString> frontmostApplicationName() override;

private:
    mutable std::mutex mutex;
    QHash<qint64, QString> names;
    std::optional<QString> frontmost;
};

// An inspector answering from a script: answers queued with push() come out in
// order, then `fallback` for every further call. Thread-safe; records each point.
class FakeClickTargetFinder : public ClickTargetFinder {
public:
    void push(std::optional<ClickTarget> answer);
    void setFallback(std::optional<ClickTarget> answer);
    // Runs inside inspectTarget before answering, on the caller's thread (to block, count, …).
    void setHook(std::function<void(double, double)> hook);

    std::optional<ClickTarget> inspectTarget(double x, double y) override;
    QList<QPointF> points() const;

private:
    mutable std::mutex mutex;
    std::deque<std::optional<ClickTarget>> answers;
    std::optional<ClickTarget> fallback;
    std::function<void(double, double)> hook;
    QList<QPointF> seen;
};

} // namespace kelvo::test
