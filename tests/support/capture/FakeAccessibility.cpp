// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/capture/FakeAccessibility.h"

namespace kelvo::test {

std::shared_ptr<FakeElement> FakeElement::make(const QString &role)
{
    auto element = std::make_shared<FakeElement>();
    if (!role.isEmpty())
        element->set(QStringLiteral("AXRole"), role);
    return element;
}

FakeElement &FakeElement::set(const QString &name, AttributeValue value)
{
    values.insert(name, std::move(value));
    return *this;
}

FakeElement &FakeElement::setPid(std::optional<qint64> value)
{
    pid = value;
    return *this;
}

FakeElement &FakeElement::adopt(const std::shared_ptr<FakeElement> &child)
{
    ElementList children;
    if (auto *existing = std::get_if<ElementList>(&values[QStringLiteral("AXChildren")]))
        children = *existing;
    children.append(child);
    values.insert(QStringLiteral("AXChildren"), children);
    child->parent = weak_from_this();
    return *this;
}

AttributeValue FakeElement::attribute(QStringView name)
{
    const QString key = name.toString();
    ++readCounts[key];
    const auto found = values.constFind(key);
    if (found != values.constEnd())
        return *found;
    if (key == u"AXParent") {
        if (auto owner = parent.lock())
            return ElementPtr(owner);
    }
    return {};
}

std::optional<qint64> FakeElement::processId()
{
    ++readCounts[QStringLiteral("pid")];
    return pid;
}

int FakeElement::totalReads() const
{
    int total = 0;
    for (int count : readCounts)
        total += count;
    return total;
}

ElementPtr FakeAccessibilityService::elementAtPosition(float x, float y)
{
    ++hitTests;
    lastPoint = QPointF(x, y);
    return hit;
}

void FakeApplicationNames::setName(qint64 pid, const QString &name)
{
    std::lock_guard lock(mutex);
    names.insert(pid, name);
}

void FakeApplicationNames::setFrontmost(std::optional<QString> name)
{
    std::lock_guard lock(mutex);
    frontmost = std::move(name);
}

std::optional<QString> FakeApplicationNames::applicationName(qint64 pid)
{
    std::lock_guard lock(mutex);
    const auto found = names.constFind(pid);
    if (found == names.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<QString> FakeApplicationNames::frontmostApplicationName()
{
    std::lock_guard lock(mutex);
    return frontmost;
}

void FakeClickTargetFinder::push(std::optional<ClickTarget> answer)
{
    std::lock_guard lock(mutex);
    answers.push_back(std::move(answer));
}

void FakeClickTargetFinder::setFallback(std::optional<ClickTarget> answer)
{
    std::lock_guard lock(mutex);
    fallback = std::move(answer);
}

void FakeClickTargetFinder::setHook(std::function<void(double, double)> value)
{
    std::lock_guard lock(mutex);
    hook = std::move(value);
}

std::optional<ClickTarget> FakeClickTargetFinder::inspectTarget(double x, double y)
{
    std::function<void(double, double)> run;
    {
        std::lock_guard lock(mutex);
        seen.append(QPointF(x, y));
        run = hook;
    }
    if (run)
        run(x, y);
    std::lock_guard lock(mutex);
    if (answers.empty())
        return fallback;
    std::optional<ClickTarget> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

QList<QPointF> FakeClickTargetFinder::points() const
{
    std::lock_guard lock(mutex);
    return seen;
}

} // namespace kelvo::test
