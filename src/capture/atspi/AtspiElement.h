#pragma once

#include "capture/AccessibleElement.h"
#include "capture/atspi/AtspiHandles.h"

namespace kelvo::atspi {

// One AT-SPI object behind the "AX…" attribute names. Lives and dies on the
// AT-SPI thread: every method makes libatspi calls.
class AtspiElement : public AccessibleElement {
public:
    // Takes a reference of its own to accessible.
    explicit AtspiElement(AtspiAccessible *accessible);
    // The index-th child of parent, looked up on first use: a list of children
    // costs nothing until one of them is read.
    AtspiElement(GObjectPtr<AtspiAccessible> parent, int index);

    AttributeValue attribute(QStringView name) override;
    std::optional<qint64> processId() override;

    // The translated role, read once.
    std::optional<QString> roleIdentifier();
    AtspiAccessible *accessible(); // nullptr when it cannot be resolved

private:
    std::optional<QString> name();
    std::optional<QString> objectAttribute(std::initializer_list<const char *> keys);
    AttributeValue value();
    AttributeValue children();
    AttributeValue titleElement();
    AttributeValue window();

    GObjectPtr<AtspiAccessible> object;
    GObjectPtr<AtspiAccessible> lazyParent;
    int lazyIndex = -1;
    std::optional<std::optional<QString>> role;
};

// Helpers shared with the hit test.
bool hasState(AtspiAccessible *accessible, AtspiStateType state);
std::optional<AtspiRole> roleOf(AtspiAccessible *accessible);

} // namespace kelvo::atspi
