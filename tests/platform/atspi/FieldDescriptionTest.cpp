// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/AtspiFieldWatcher.h"

#include "support/QtPrinters.h"
#include "support/capture/FakeAccessibility.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvo::atspi {
namespace {

// A node whose text must not be asked for when it is a password field.
class FakeNode : public TreeNode {
public:
    AtspiRole nodeRole = ATSPI_ROLE_ENTRY;
    std::set<AtspiStateType> states{ATSPI_STATE_EDITABLE, ATSPI_STATE_SINGLE_LINE, ATSPI_STATE_FOCUSED};
    std::optional<QString> nodeName;
    QHash<QString, QString> attrs;
    QString content = QStringLiteral("typed text");
    NodePtr label;
    std::vector<NodePtr> children;
    int textReads = 0;

    std::optional<AtspiRole> role() override { return nodeRole; }
    std::optional<QString> name() override { return nodeName; }
    std::optional<QString> description() override { return std::nullopt; }
    bool hasState(AtspiStateType state) override { return states.count(state) > 0; }
    QHash<QString, QString> attributes() override { return attrs; }
    std::optional<QString> text() override
    {
        ++textReads;
        if (nodeRole == ATSPI_ROLE_PASSWORD_TEXT)
            ADD_FAILURE() << "a password field's text was read";
        return content;
    }
    bool hasValue() override { return false; }
    int childCount() override { return int(children.size()); }
    NodePtr child(int index) override { return children.at(std::size_t(index)); }
    NodePtr parent() override { return nullptr; }
    NodePtr labelledBy() override { return label; }
    std::optional<Rect> extents(AtspiCoordType) override { return Rect{10, 20, 200, 30}; }
    NodePtr childAtPoint(int, int, AtspiCoordType) override { return nullptr; }
    std::optional<qint64> processId() override { return 42; }
    std::optional<QString> toolkitName() override { return QStringLiteral("GTK"); }
    std::optional<QString> toolkitVersion() override { return QStringLiteral("3.24"); }
    const void *identity() const override { return this; }
};

class FieldDescriptionTest : public ::testing::Test {
protected:
    test::FakeApplicationNames names;
    void SetUp() override { names.setName(42, QStringLiteral("Form")); }

    static std::shared_ptr<FakeNode> labelNode(const QString &text)
    {
        auto label = std::make_shared<FakeNode>();
        label->nodeRole = ATSPI_ROLE_LABEL;
        label->states = {};
        label->nodeName = text;
        label->content = text;
        return label;
    }
};

TEST_F(FieldDescriptionTest, AnEntryIsAFieldNamedByItsLabel)
{
    FakeNode entry;
    entry.label = labelNode(QStringLiteral("Full name:"));
    const std::optional<FocusedField> field = describeFocusedField(entry, names);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->label, "Full name");
    EXPECT_EQ(field->appName, "Form");
    EXPECT_EQ(field->bounds, QRect(10, 20, 200, 30));
    EXPECT_FALSE(field->isPassword);
    EXPECT_FALSE(field->isMultiLine);
    EXPECT_EQ(entry.textReads, 0) << "describing a field does not read what it holds";
    EXPECT_EQ(readFieldText(entry), "typed text");
}

TEST_F(FieldDescriptionTest, APlaceholderNamesAFieldWithoutLabel)
{
    FakeNode entry;
    entry.attrs.insert(QStringLiteral("placeholder-text"), QStringLiteral("Search"));
    EXPECT_EQ(describeFocusedField(entry, names)->label, "Search");
}

TEST_F(FieldDescriptionTest, APasswordFieldIsNeverRead)
{
    FakeNode password;
    password.nodeRole = ATSPI_ROLE_PASSWORD_TEXT;
    password.label = labelNode(QStringLiteral("Password"));
    password.children.push_back(labelNode(QStringLiteral("secret child")));
    const std::optional<FocusedField> field = describeFocusedField(password, names);
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isPassword);
    EXPECT_EQ(field->label, "Password");
    EXPECT_FALSE(readFieldText(password));
    EXPECT_EQ(password.textReads, 0);
}

TEST_F(FieldDescriptionTest, OnlyEditableTextFieldsCount)
{
    FakeNode area;
    area.nodeRole = ATSPI_ROLE_TEXT;
    area.states = {ATSPI_STATE_EDITABLE, ATSPI_STATE_MULTI_LINE};
    ASSERT_TRUE(describeFocusedField(area, names));
    EXPECT_TRUE(describeFocusedField(area, names)->isMultiLine);

    FakeNode readOnly;
    readOnly.states = {ATSPI_STATE_SINGLE_LINE};
    EXPECT_FALSE(describeFocusedField(readOnly, names));

    FakeNode terminal;
    terminal.nodeRole = ATSPI_ROLE_TERMINAL;
    EXPECT_FALSE(describeFocusedField(terminal, names));

    FakeNode button;
    button.nodeRole = ATSPI_ROLE_PUSH_BUTTON;
    EXPECT_FALSE(describeFocusedField(button, names));

    FakeNode combo;
    combo.nodeRole = ATSPI_ROLE_COMBO_BOX;
    EXPECT_TRUE(describeFocusedField(combo, names));
}

} // namespace
} // namespace kelvo::atspi
