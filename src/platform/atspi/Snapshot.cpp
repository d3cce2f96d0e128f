// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/Snapshot.h"

#include "platform/atspi/HitTest.h"

#include <QJsonArray>

#include <deque>
#include <map>
#include <set>

namespace kelvo::atspi {

namespace {

QJsonArray rectJson(const Rect &rect)
{
    return QJsonArray{rect.x, rect.y, rect.width, rect.height};
}

std::optional<Rect> rectFrom(const QJsonValue &value)
{
    const QJsonArray array = value.toArray();
    if (array.size() != 4)
        return std::nullopt;
    return Rect{array[0].toInt(), array[1].toInt(), array[2].toInt(), array[3].toInt()};
}

QString coordinateKey(AtspiCoordType type)
{
    return type == ATSPI_COORD_TYPE_WINDOW ? QStringLiteral("window") : QStringLiteral("screen");
}

// ---- recording ----------------------------------------------------------------

class Recorder {
public:
    Recorder(const TopLevel &window, int x, int y, bool relative)
        : top(window)
        , screenX(x)
        , screenY(y)
        , windowX(x - window.client.x - window.frameLeft)
        , windowY(y - window.client.y - window.frameTop)
        , windowRelative(relative)
    {
    }

    // The id of node, recording its own answers on first sight.
    int idOf(const NodePtr &node)
    {
        if (const auto found = ids.find(node->identity()); found != ids.end())
            return found->second;
        const int id = int(nodes.size());
        ids.emplace(node->identity(), id);
        holders.push_back(node);
        nodes.emplace_back();
        QJsonObject json;
        json[u"id"] = id;
        if (const std::optional<AtspiRole> role = node->role())
            json[u"role"] = roleName(*role);
        if (const auto name = node->name())
            json[u"name"] = *name;
        if (const auto description = node->description())
            json[u"description"] = *description;
        QJsonArray states;
        for (int state = 1; state < ATSPI_STATE_LAST_DEFINED; ++state) {
            if (node->hasState(AtspiStateType(state)))
                states.append(stateName(AtspiStateType(state)));
        }
        json[u"states"] = states;
        QJsonObject attributes;
        const QHash<QString, QString> table = node->attributes();
        for (auto it = table.begin(); it != table.end(); ++it)
            attributes[it.key()] = it.value();
        if (!attributes.isEmpty())
            json[u"attributes"] = attributes;
        if (const auto text = node->text())
            json[u"text"] = *text;
        if (node->hasValue())
            json[u"value"] = true;
        QJsonObject extents;
        for (AtspiCoordType type : {ATSPI_COORD_TYPE_SCREEN, ATSPI_COORD_TYPE_WINDOW}) {
            if (const auto rect = node->extents(type))
                extents[coordinateKey(type)] = rectJson(*rect);
        }
        json[u"extents"] = extents;
        json[u"childCount"] = node->childCount();
        nodes[size_t(id)] = json;
        return id;
    }

    bool onPath(TreeNode &node)
    {
        const auto screen = node.extents(ATSPI_COORD_TYPE_SCREEN);
        const auto window = node.extents(ATSPI_COORD_TYPE_WINDOW);
        return (screen && screen->contains(screenX, screenY)) || (window && window->contains(windowX, windowY));
    }

    void expand(const NodePtr &node, int id, int depth)
    {
        const int count = std::min(node->childCount(), manualChildLimit);
        QJsonArray children;
        std::vector<std::pair<NodePtr, int>> next;
        for (int i = 0; i < count && int(nodes.size()) < snapshotNodeLimit; ++i) {
            NodePtr child = node->child(i);
            if (!child) {
                children.append(QJsonValue());
                continue;
            }
            const int childId = idOf(child);
            nodes[size_t(childId)][u"parent"] = id;
            children.append(childId);
            next.emplace_back(std::move(child), childId);
        }
        nodes[size_t(id)][u"children"] = children;
        recordLabelledBy(node, id);
        for (auto &[child, childId] : next) {
            recordLabelledBy(child, childId);
            const bool shown = child->hasState(ATSPI_STATE_SHOWING)
                || (windowRelative && child->hasState(ATSPI_STATE_VISIBLE));
            const bool popupSearch = top.popup && depth < popupSearchDepth && shown;
            // Nodes without extents (GTK 4 stack pages) may hold the point.
            const bool noExtents = shown && !child->extents(ATSPI_COORD_TYPE_SCREEN) && !child->extents(ATSPI_COORD_TYPE_WINDOW);
            if ((depth < 1 || onPath(*child) || popupSearch || noExtents) && !queued.count(childId)) {
                queued.insert(childId);
                queue.push_back({child, childId, depth + 1});
            }
        }
        // After the children, so that they keep their own depth.
        recordAtPoint(node, id, depth);
    }

    void recordAtPoint(const NodePtr &node, int id, int depth)
    {
        QJsonObject atPoint;
        auto ask = [&](int px, int py, AtspiCoordType type) {
            NodePtr found = node->childAtPoint(px, py, type);
            if (!found)
                return QJsonValue();
            const int foundId = idOf(found);
            // An answer that skips levels is followed as well.
            if (!queued.count(foundId)) {
                queued.insert(foundId);
                queue.push_back({found, foundId, depth + 1});
            }
            return QJsonValue(foundId);
        };
        atPoint[u"screen"] = ask(screenX, screenY, ATSPI_COORD_TYPE_SCREEN);
        if (windowRelative) {
            atPoint[u"window"] = ask(windowX, windowY, ATSPI_COORD_TYPE_WINDOW);
            // Toolkits that read any point as a window point.
            atPoint[u"screenAtWindowPoint"] = ask(windowX, windowY, ATSPI_COORD_TYPE_SCREEN);
        }
        nodes[size_t(id)][u"atPoint"] = atPoint;
    }

    void recordLabelledBy(const NodePtr &node, int id)
    {
        if (nodes[size_t(id)].contains(u"labelledBy"))
            return;
        NodePtr label = node->labelledBy();
        nodes[size_t(id)][u"labelledBy"] = label ? QJsonValue(idOf(label)) : QJsonValue();
    }

    void walk(const NodePtr &application)
    {
        queue.push_back({application, idOf(application), 0});
        queued.insert(0);
        while (!queue.empty() && int(nodes.size()) < snapshotNodeLimit) {
            Queued item = std::move(queue.front());
            queue.pop_front();
            expand(item.node, item.id, item.depth);
        }
    }

    QJsonArray nodeArray() const
    {
        QJsonArray array;
        for (const QJsonObject &node : nodes)
            array.append(node);
        return array;
    }

private:
    struct Queued {
        NodePtr node;
        int id;
        int depth;
    };
    TopLevel top;
    int screenX, screenY, windowX, windowY;
    bool windowRelative;
    std::map<const void *, int> ids;
    std::vector<NodePtr> holders; // keeps identities unique while recording
    std::vector<QJsonObject> nodes;
    std::deque<Queued> queue;
    std::set<int> queued;
};

// ---- replaying ------------------------------------------------------------------

struct NodeData {
    std::optional<AtspiRole> role;
    std::optional<QString> name, description, text;
    QList<AtspiStateType> states;
    QHash<QString, QString> attributes;
    bool value = false;
    std::optional<Rect> screen, window;
    int childCount = 0;
    QList<int> children; // -1: not recorded
    int parent = -1, labelledBy = -1;
    std::optional<int> atScreen, atWindow, atScreenWindowPoint; // -1: the toolkit answered nothing
};

} // namespace

struct SnapshotDesktop::Data {
    std::vector<NodeData> nodes;
    std::optional<TopLevel> top;
    std::optional<qint64> pid, activePid;
    std::optional<QString> toolkitName, toolkitVersion;
    int application = -1;
    int screenX = 0, screenY = 0, windowX = 0, windowY = 0;
};

namespace {

class SnapshotNode : public TreeNode {
public:
    SnapshotNode(std::shared_ptr<SnapshotDesktop::Data> snapshot, int node)
        : data(std::move(snapshot))
        , id(node)
    {
    }

    static NodePtr make(const std::shared_ptr<SnapshotDesktop::Data> &data, int id)
    {
        if (id < 0 || size_t(id) >= data->nodes.size())
            return nullptr;
        return std::make_shared<SnapshotNode>(data, id);
    }

    std::optional<AtspiRole> role() override { return own().role; }
    std::optional<QString> name() override { return own().name; }
    std::optional<QString> description() override { return own().description; }
    bool hasState(AtspiStateType state) override { return own().states.contains(state); }
    QHash<QString, QString> attributes() override { return own().attributes; }
    std::optional<QString> text() override { return own().text; }
    bool hasValue() override { return own().value; }
    int childCount() override { return own().childCount; }
    NodePtr child(int index) override
    {
        return index >= 0 && index < own().children.size() ? make(data, own().children[index]) : nullptr;
    }
    NodePtr parent() override { return make(data, own().parent); }
    NodePtr labelledBy() override { return make(data, own().labelledBy); }
    std::optional<Rect> extents(AtspiCoordType type) override
    {
        return type == ATSPI_COORD_TYPE_WINDOW ? own().window : own().screen;
    }
    NodePtr childAtPoint(int x, int y, AtspiCoordType type) override
    {
        const bool window = type == ATSPI_COORD_TYPE_WINDOW;
        const bool atScreenPoint = x == data->screenX && y == data->screenY;
        const bool atWindowPoint = x == data->windowX && y == data->windowY;
        std::optional<int> answer;
        if (window && atWindowPoint)
            answer = own().atWindow;
        else if (!window && atScreenPoint)
            answer = own().atScreen;
        else if (!window && atWindowPoint)
            answer = own().atScreenWindowPoint;
        return answer ? make(data, *answer) : nullptr;
    }
    std::optional<qint64> processId() override { return data->pid; }
    std::optional<QString> toolkitName() override { return data->toolkitName; }
    std::optional<QString> toolkitVersion() override { return data->toolkitVersion; }
    const void *identity() const override { return &data->nodes[size_t(id)]; }

private:
    const NodeData &own() const { return data->nodes[size_t(id)]; }
    std::shared_ptr<SnapshotDesktop::Data> data;
    int id;
};

std::optional<QString> optionalText(const QJsonObject &json, QStringView key)
{
    const QJsonValue value = json.value(key);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

int idOrNone(const QJsonValue &value)
{
    return value.isDouble() ? value.toInt(-1) : -1;
}

} // namespace

QString roleName(AtspiRole role)
{
    gchar *name = atspi_role_get_name(role);
    QString result = name ? QString::fromUtf8(name) : QString();
    g_free(name);
    return result;
}

std::optional<AtspiRole> roleFromName(const QString &name)
{
    for (int role = 0; role < ATSPI_ROLE_LAST_DEFINED; ++role) {
        if (roleName(AtspiRole(role)) == name)
            return AtspiRole(role);
    }
    return std::nullopt;
}

QString stateName(AtspiStateType state)
{
    auto *type = static_cast<GEnumClass *>(g_type_class_ref(atspi_state_type_get_type()));
    const GEnumValue *value = g_enum_get_value(type, state);
    QString result = value ? QString::fromUtf8(value->value_nick) : QString::number(int(state));
    g_type_class_unref(type);
    return result;
}

std::optional<AtspiStateType> stateFromName(const QString &name)
{
    auto *type = static_cast<GEnumClass *>(g_type_class_ref(atspi_state_type_get_type()));
    const GEnumValue *value = g_enum_get_value_by_nick(type, name.toUtf8().constData());
    std::optional<AtspiStateType> result;
    if (value)
        result = AtspiStateType(value->value);
    g_type_class_unref(type);
    return result;
}

QJsonObject takeSnapshot(DesktopTree &desktop, int x, int y)
{
    QJsonObject json;
    json[u"point"] = QJsonArray{x, y};
    const std::optional<TopLevel> top = desktop.topLevelAt(x, y);
    const std::optional<qint64> active = desktop.activeProcess();
    if (active)
        json[u"activePid"] = double(*active);
    if (!top)
        return json;
    QJsonObject topJson;
    topJson[u"client"] = rectJson(top->client);
    topJson[u"popup"] = top->popup;
    if (top->pid)
        topJson[u"pid"] = double(*top->pid);
    topJson[u"frameExtents"] = QJsonArray{top->frameLeft, top->frameRight, top->frameTop, top->frameBottom};
    json[u"topLevel"] = topJson;
    const std::optional<qint64> pid = top->pid ? top->pid : (top->popup ? active : std::nullopt);
    if (!pid)
        return json;
    NodePtr application = desktop.application(*pid);
    if (!application)
        return json;
    json[u"pid"] = double(*pid);
    if (auto name = application->toolkitName())
        json[u"toolkitName"] = *name;
    if (auto version = application->toolkitVersion())
        json[u"toolkitVersion"] = *version;
    Recorder recorder(*top, x, y, reportsWindowCoordinates(*application));
    recorder.walk(application);
    json[u"application"] = 0;
    json[u"nodes"] = recorder.nodeArray();
    return json;
}

std::shared_ptr<SnapshotDesktop> SnapshotDesktop::fromJson(const QJsonObject &json, QString *error)
{
    auto fail = [&](const QString &why) -> std::shared_ptr<SnapshotDesktop> {
        if (error)
            *error = why;
        return nullptr;
    };
    const QJsonArray point = json.value(u"point").toArray();
    if (point.size() != 2)
        return fail(QStringLiteral("no point"));
    auto desktop = std::make_shared<SnapshotDesktop>();
    auto data = std::make_shared<Data>();
    desktop->pointX = data->screenX = point[0].toInt();
    desktop->pointY = data->screenY = point[1].toInt();
    if (json.contains(u"activePid"))
        data->activePid = qint64(json.value(u"activePid").toDouble());
    if (json.contains(u"topLevel")) {
        const QJsonObject topJson = json.value(u"topLevel").toObject();
        TopLevel top;
        const std::optional<Rect> client = rectFrom(topJson.value(u"client"));
        if (!client)
            return fail(QStringLiteral("top level without a client rectangle"));
        top.client = *client;
        top.popup = topJson.value(u"popup").toBool();
        if (topJson.contains(u"pid"))
            top.pid = qint64(topJson.value(u"pid").toDouble());
        const QJsonArray frame = topJson.value(u"frameExtents").toArray();
        if (frame.size() == 4) {
            top.frameLeft = frame[0].toInt();
            top.frameRight = frame[1].toInt();
            top.frameTop = frame[2].toInt();
            top.frameBottom = frame[3].toInt();
        }
        data->top = top;
        data->windowX = data->screenX - top.client.x - top.frameLeft;
        data->windowY = data->screenY - top.client.y - top.frameTop;
    }
    if (json.contains(u"pid"))
        data->pid = qint64(json.value(u"pid").toDouble());
    data->toolkitName = optionalText(json, u"toolkitName");
    data->toolkitVersion = optionalText(json, u"toolkitVersion");
    data->application = json.contains(u"application") ? json.value(u"application").toInt(-1) : -1;
    const QJsonArray nodes = json.value(u"nodes").toArray();
    for (const QJsonValue &value : nodes) {
        const QJsonObject node = value.toObject();
        if (node.value(u"id").toInt(-1) != int(data->nodes.size()))
            return fail(QStringLiteral("node ids out of order"));
        NodeData parsed;
        if (const auto role = optionalText(node, u"role")) {
            parsed.role = roleFromName(*role);
            if (!parsed.role)
                return fail(QStringLiteral("unknown role ") + *role);
        }
        parsed.name = optionalText(node, u"name");
        parsed.description = optionalText(node, u"description");
        parsed.text = optionalText(node, u"text");
        for (const QJsonValue &state : node.value(u"states").toArray()) {
            if (const auto known = stateFromName(state.toString()))
                parsed.states.append(*known);
        }
        const QJsonObject attributes = node.value(u"attributes").toObject();
        for (auto it = attributes.begin(); it != attributes.end(); ++it)
            parsed.attributes.insert(it.key(), it.value().toString());
        parsed.value = node.value(u"value").toBool();
        const QJsonObject extents = node.value(u"extents").toObject();
        parsed.screen = rectFrom(extents.value(u"screen"));
        parsed.window = rectFrom(extents.value(u"window"));
        parsed.childCount = node.value(u"childCount").toInt();
        for (const QJsonValue &child : node.value(u"children").toArray())
            parsed.children.append(idOrNone(child));
        parsed.parent = idOrNone(node.value(u"parent"));
        parsed.labelledBy = idOrNone(node.value(u"labelledBy"));
        const QJsonObject atPoint = node.value(u"atPoint").toObject();
        if (atPoint.contains(u"screen"))
            parsed.atScreen = idOrNone(atPoint.value(u"screen"));
        if (atPoint.contains(u"window"))
            parsed.atWindow = idOrNone(atPoint.value(u"window"));
        if (atPoint.contains(u"screenAtWindowPoint"))
            parsed.atScreenWindowPoint = idOrNone(atPoint.value(u"screenAtWindowPoint"));
        data->nodes.push_back(std::move(parsed));
    }
    for (const NodeData &node : data->nodes) {
        const int count = int(data->nodes.size());
        for (int id : {node.parent, node.labelledBy, node.atScreen.value_or(-1), node.atWindow.value_or(-1),
                 node.atScreenWindowPoint.value_or(-1)}) {
            if (id >= count)
                return fail(QStringLiteral("a node refers to a missing node"));
        }
        for (int id : node.children) {
            if (id >= count)
                return fail(QStringLiteral("a node refers to a missing node"));
        }
    }
    desktop->data = std::move(data);
    return desktop;
}

std::optional<TopLevel> SnapshotDesktop::topLevelAt(int, int)
{
    // The snapshot knows the window of its own point only.
    return data->top;
}

std::optional<qint64> SnapshotDesktop::activeProcess()
{
    return data->activePid;
}

NodePtr SnapshotDesktop::application(qint64 pid)
{
    if (pid != data->pid)
        return nullptr;
    return SnapshotNode::make(data, data->application);
}

} // namespace kelvo::atspi
