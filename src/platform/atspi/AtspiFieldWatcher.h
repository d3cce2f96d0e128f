// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ApplicationNames.h"
#include "capture/FieldWatcher.h"
#include "platform/atspi/TreeNode.h"

#include <QObject>

#include <memory>
#include <mutex>

namespace kelvo::atspi {

// On the node's thread: the focused element as a text field, or nothing when
// it is not one a person types into (entry, text, password text, editable combo
// box; never a terminal). The id is left to the caller. A password field's
// text is never read, not even for its label.
std::optional<FocusedField> describeFocusedField(TreeNode &node, ApplicationNames &names);

// On the node's thread: the field's whole text, or nothing for a password
// field (whose text is never asked for) or a field that cannot be read.
std::optional<QString> readFieldText(TreeNode &node);

// Focus from AT-SPI's object:state-changed:focused events, listened to on the
// AT-SPI thread while started; texts read there too.
class AtspiFieldWatcher final : public FieldWatcher {
public:
    explicit AtspiFieldWatcher(std::shared_ptr<ApplicationNames> names);
    ~AtspiFieldWatcher() override;

    void start() override;
    void stop() override;
    std::optional<QString> readText(quint64 fieldId) override;

    struct Listener;

private:
    static void releaseOnAtspiThread(std::shared_ptr<Listener> listener);

    std::shared_ptr<ApplicationNames> names_;
    std::shared_ptr<Listener> listener_; // lives on the AT-SPI thread once started
    // The last listener, kept after stop so that typing ended by the stop can
    // still be read; guarded, since texts are read on other threads.
    std::mutex lastLock_;
    std::shared_ptr<Listener> last_;
};

} // namespace kelvo::atspi
