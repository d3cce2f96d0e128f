#include "capture/TargetLookup.h"

#include "capture/ClickTargetFinder.h"

#include <algorithm>

namespace kelvo {

AccessibilityService::~AccessibilityService() = default;
ApplicationNames::~ApplicationNames() = default;
ClickTargetFinder::~ClickTargetFinder() = default;

namespace {

bool isPassiveRole(const QString &role)
{
    return role == u"AXStaticText" || role == u"AXImage" || role == u"AXGroup";
}

struct Ancestor {
    ElementPtr element;
    QString role;
};

// Up to parentWalkLimit parents of element: the first with an actionable role.
std::optional<Ancestor> actionableAncestor(AccessibleElement &element)
{
    AccessibleElement *current = &element;
    ElementPtr holder; // keeps the current ancestor alive
    for (int step = 0; step < parentWalkLimit; ++step) {
        ElementPtr parent = elementAttribute(*current, u"AXParent");
        if (!parent)
            return std::nullopt;
        std::optional<QString> role = stringAttribute(*parent, u"AXRole");
        if (role && actionableRoles().contains(*role))
            return Ancestor{std::move(parent), std::move(*role)};
        holder = std::move(parent);
        current = holder.get();
    }
    return std::nullopt;
}

std::optional<QString> nonEmpty(std::optional<QString> text)
{
    if (text && !text->isEmpty())
        return text;
    return std::nullopt;
}

// "AXValue" as text, or only when that is absent or not text, "AXTitle".
std::optional<QString> valueOrTitle(AccessibleElement &element)
{
    if (std::optional<QString> value = stringAttribute(element, u"AXValue"))
        return value;
    return stringAttribute(element, u"AXTitle");
}

} // namespace

const QSet<QString> &actionableRoles()
{
    static const QSet<QString> roles{
        QStringLiteral("AXButton"), QStringLiteral("AXMenuItem"), QStringLiteral("AXMenuBarItem"),
        QStringLiteral("AXPopUpButton"), QStringLiteral("AXCheckBox"), QStringLiteral("AXRadioButton"),
        QStringLiteral("AXLink"), QStringLiteral("AXTab"), QStringLiteral("AXTabButton"), QStringLiteral("AXRow"),
        QStringLiteral("AXCell"), QStringLiteral("AXOutlineRow"), QStringLiteral("AXMenuButton"),
        QStringLiteral("AXDisclosureTriangle"),
    };
    return roles;
}

std::optional<QString> elementLabel(AccessibleElement &element, const std::optional<QString> &role)
{
    if (auto title = nonEmpty(stringAttribute(element, u"AXTitle")))
        return title;
    if (auto description = nonEmpty(stringAttribute(element, u"AXDescription")))
        return description;
    if (ElementPtr titleElement = elementAttribute(element, u"AXTitleUIElement")) {
        if (auto text = nonEmpty(valueOrTitle(*titleElement)))
            return text;
    }
    if (role == u"AXStaticText") {
        if (auto value = nonEmpty(stringAttribute(element, u"AXValue")))
            return value;
    }
    if (auto help = nonEmpty(stringAttribute(element, u"AXHelp")))
        return help;
    if (auto placeholder = nonEmpty(stringAttribute(element, u"AXPlaceholderValue")))
        return placeholder;
    const std::optional<ElementList> children = elementListAttribute(element, u"AXChildren");
    if (!children)
        return std::nullopt;
    const qsizetype visited = std::min<qsizetype>(children->size(), labelChildLimit);
    for (qsizetype i = 0; i < visited; ++i) {
        const ElementPtr &child = children->at(i);
        if (!child)
            continue;
        if (auto text = nonEmpty(valueOrTitle(*child)))
            return text;
    }
    return std::nullopt;
}

ClickTarget describeElement(AccessibleElement &clicked, ApplicationNames &names)
{
    ClickTarget target;
    if (const std::optional<qint64> pid = clicked.processId())
        target.appName = names.applicationName(*pid);

    target.role = stringAttribute(clicked, u"AXRole");
    AccessibleElement *element = &clicked;
    ElementPtr promoted;
    if (target.role && isPassiveRole(*target.role)) {
        if (std::optional<Ancestor> ancestor = actionableAncestor(clicked)) {
            promoted = std::move(ancestor->element);
            element = promoted.get();
            target.role = std::move(ancestor->role);
        }
    }
    target.label = elementLabel(*element, target.role);
    if (ElementPtr window = elementAttribute(*element, u"AXWindow"))
        target.windowTitle = stringAttribute(*window, u"AXTitle");
    return target;
}

std::optional<ClickTarget> inspectTarget(AccessibilityService &service, ApplicationNames &names, double x, double y)
{
    if (!service.isTrusted())
        return std::nullopt;
    service.setMessagingTimeout(messagingTimeoutSeconds);
    const ElementPtr hit = service.elementAtPosition(static_cast<float>(x), static_cast<float>(y));
    if (!hit)
        return std::nullopt;
    return describeElement(*hit, names);
}

} // namespace kelvo
