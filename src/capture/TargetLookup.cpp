// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/TargetLookup.h"

#include "capture/ClickTargetFinder.h"
#include "capture/LabelRules.h"

#include <algorithm>

namespace kelvo {

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

bool isContainerRole(const std::optional<QString> &role)
{
    static const QSet<QString> containers{
        QStringLiteral("AXGroup"), QStringLiteral("AXTabGroup"), QStringLiteral("AXWindow"),
        QStringLiteral("AXMenuBar"), QStringLiteral("AXMenu"), QStringLiteral("AXToolBar"), QStringLiteral("AXList"),
        QStringLiteral("AXListBox"), QStringLiteral("AXTable"), QStringLiteral("AXTree"), QStringLiteral("AXTreeTable"),
        QStringLiteral("AXSplitPane"), QStringLiteral("AXLayeredPane"), QStringLiteral("AXRootPane"),
        QStringLiteral("AXStatusBar"), QStringLiteral("AXDocumentFrame"), QStringLiteral("AXDocumentWeb"),
        QStringLiteral("AXInternalFrame"), QStringLiteral("AXDesktopFrame"), QStringLiteral("AXApplication"),
        QStringLiteral("AXEmbedded"), QStringLiteral("AXLandmark"), QStringLiteral("AXHeader"),
        QStringLiteral("AXFooter"),
    };
    return role && containers.contains(*role);
}

std::optional<QString> elementLabel(
    AccessibleElement &element, const std::optional<QString> &role, const std::optional<QString> &appName)
{
    auto usable = [&](std::optional<QString> text) -> std::optional<QString> {
        if (!text || text->isEmpty() || isToolkitClassName(*text))
            return std::nullopt;
        return nonEmpty(tidyLabel(*text, role));
    };
    std::optional<QString> labelledBy;
    bool labelledByRead = false;
    auto titleElementText = [&]() -> const std::optional<QString> & {
        if (!labelledByRead) {
            labelledByRead = true;
            if (ElementPtr titleElement = elementAttribute(element, u"AXTitleUIElement"))
                labelledBy = usable(valueOrTitle(*titleElement));
        }
        return labelledBy;
    };

    std::optional<QString> title = usable(stringAttribute(element, u"AXTitle"));
    if (title && isPlaceholderName(*title, role))
        title.reset();
    if (title) {
        // A name that only repeats the application's says less than its description.
        auto repeats = [&](const std::optional<QString> &name) {
            return name && title->compare(tidyLabel(*name), Qt::CaseInsensitive) == 0;
        };
        std::optional<QString> description;
        bool namesTheApplication = repeats(appName);
        if (!namesTheApplication && !title->contains(u' ')) {
            // The desktop's name may differ ("Firefox ESR"); the one on the bus is "Firefox".
            description = usable(stringAttribute(element, u"AXDescription"));
            namesTheApplication = description && repeats(stringAttribute(element, u"AXApplicationName"));
        }
        if (!namesTheApplication) {
            const std::optional<QString> half = undoubled(*title);
            if (half && titleElementText())
                return titleElementText();
            return half.value_or(*title);
        }
        if (!description)
            description = usable(stringAttribute(element, u"AXDescription"));
        return description ? description : title;
    }
    // A visible label names a field better than its description does.
    if (titleElementText())
        return titleElementText();
    if (auto description = usable(stringAttribute(element, u"AXDescription")))
        return description;
    if (role == u"AXStaticText") {
        if (auto value = usable(stringAttribute(element, u"AXValue")))
            return value;
    }
    if (auto help = usable(stringAttribute(element, u"AXHelp")))
        return help;
    if (auto placeholder = usable(stringAttribute(element, u"AXPlaceholderValue")))
        return placeholder;
    // A container is never named after one of its children: a click on a page
    // of a notebook is not a click on the first check box of that page.
    if (isContainerRole(role))
        return std::nullopt;
    const std::optional<ElementList> children = elementListAttribute(element, u"AXChildren");
    if (!children)
        return std::nullopt;
    const qsizetype visited = std::min<qsizetype>(children->size(), labelChildLimit);
    for (qsizetype i = 0; i < visited; ++i) {
        const ElementPtr &child = children->at(i);
        if (!child)
            continue;
        if (auto text = nonEmpty(valueOrTitle(*child))) {
            if (auto tidy = usable(text))
                return tidy;
        }
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
    target.label = elementLabel(*element, target.role, target.appName);
    if (ElementPtr window = elementAttribute(*element, u"AXWindow")) {
        target.windowTitle = stringAttribute(*window, u"AXTitle");
        if (target.windowTitle)
            target.windowTitle = shortenPathsInTitle(*target.windowTitle);
    }
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
