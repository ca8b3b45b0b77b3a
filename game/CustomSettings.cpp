#include "game/CustomSettings.h"

#include <exception>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/storage/XMLStorage.h"

namespace {

void ScriptLog(const std::string& message) {
    Log("GAME", message);
}

// The root of an XML fragment; null, with a line naming the command, when it
// is empty or does not parse.
Ref<IHierStorage> ParseFragment(const std::string& text, const std::string& command) {
    if (Trim(text).empty()) {
        ScriptLog("The custom settings command \"" + command + "\" has no storage_string.");
        return nullptr;
    }
    try {
        return LoadStorageFromXML(text);
    } catch (const std::exception& e) {
        ScriptLog("The storage_string of the custom settings command \"" + command +
                  "\" is no valid XML: " + e.what());
        return nullptr;
    }
}

// The screen's window and the screen itself; null when either is missing.
struct TScreenWindow {
    Ref<IGameScreenSlave> screen;
    Ref<IWindow> window;
};

TScreenWindow FindScreenWindow(IGameScreenOwner& target, const std::string& screenName) {
    const Ref<IGSCollection> screens = target.GetGameScreens();
    TScreenWindow found;
    found.screen = screens ? screens->GetItem(Variant(screenName)) : nullptr;
    found.window = found.screen ? found.screen->GetWindow() : nullptr;
    if (!found.window || !found.window->GetChildren()) return {};
    return found;
}

}  // namespace

// ---------------------------------------------------------------------------
// TSettingsCommandCollection

void TSettingsCommandCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("commands");
    SetItemNodeName("command");
    SetEmptyNamesRepeat(true);
}

Ref<IInterface> TSettingsCommandCollection::CreateItem(const Ref<IHierStorage>& node) {
    const std::string type = ReadString(node, "type", "");
    Ref<IInterface> item = TTypedCreationPersistItemCollection::CreateItem(node);
    if (!Query<ISettingsCommand>(item)) {
        ScriptLog("A custom settings command of the type \"" + type +
                  "\" is skipped: " + (item ? "it is no command." : "no such command is known."));
        return nullptr;
    }
    return item;
}

// ---------------------------------------------------------------------------
// TCustomSettings

void TCustomSettings::Create() {
    TPersistObject::Create();
    SetNodeName("custom_setting");
    commands_ = CreateObject<TSettingsCommandCollection>();
}

const TPropertyTable& TCustomSettings::Table() {
    using S = TCustomSettings;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TPersistObject::Table())
            .Field("filename", &S::fileName_).SaveAlways()
            .Field("key", &S::key_)
            .Build();
    // clang-format on
    return table;
}

void TCustomSettings::LoadFromFile(const Ref<IEngine>& engine) {
    if (!engine || fileName_.empty()) return;
    try {
        const std::string text = engine->ReadTextFile(fileName_, key_);
        if (text.empty()) {
            ScriptLog("The custom settings script " + fileName_ + " cannot be read.");
            return;
        }
        if (const Ref<IHierStorage> root = LoadStorageFromXML(text)) LoadCommands(root);
    } catch (const std::exception& e) {
        ScriptLog("The custom settings script " + fileName_ + " cannot be read" +
                  (key_.empty() ? "" : " under its key") + ": " + e.what());
    }
}

void TCustomSettings::LoadCommands(const Ref<IHierStorage>& node) {
    // A script read again runs its file's commands once, not twice.
    commands_->Clear();
    LoadChildObject(commands_, node, "", 0);
}

void TCustomSettings::ApplyCommands(IGameScreenOwner* target) {
    if (!target) return;
    commands_->ForEachItem(
        [target](const Ref<ISettingsCommand>& command) { command->Execute(target); });
}

// ---------------------------------------------------------------------------
// TCustomSettingsCollection

void TCustomSettingsCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("custom_settings");
    SetItemNodeName("custom_setting");
    SetItemClass(ClassOf<TCustomSettings>());
    SetEmptyNamesRepeat(true);
}

void TCustomSettingsCollection::LoadAndApplyAll(const Ref<IEngine>& engine,
                                                IGameScreenOwner* target) {
    ForEachItem([&engine, target](const Ref<ICustomSettings>& settings) {
        settings->LoadFromFile(engine);
        settings->ApplyCommands(target);
    });
}

// ---------------------------------------------------------------------------
// The commands

void TAbstractSettingsCommand::Create() {
    TPersistObject::Create();
    SetNodeName("command");
}

void TAbstractSettingsCommand::Execute(IGameScreenOwner* target) {
    (void)target;
}

const TPropertyTable& TParamSettingsCommand::Table() {
    using C = TParamSettingsCommand;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TAbstractSettingsCommand::Table())
            .Field("paramname", &C::paramName_).SaveAlways()
            .Field("value", &C::value_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TParamSettingsCommand::Execute(IGameScreenOwner* target) {
    if (!target || paramName_.empty()) return;
    target->SetOptionValue(paramName_, Variant(value_));
}

void TStorageStringSettingsCommand::LoadFrom(const Ref<IHierStorage>& storage) {
    TAbstractSettingsCommand::LoadFrom(storage);
    storageString_.clear();
    if (!storage) return;
    const Variant content = storage->GetChildContent("storage_string");
    if (!content.IsUnassigned()) storageString_ = content.ToString();
}

void TStorageStringSettingsCommand::SaveTo(const Ref<IHierStorage>& storage) {
    TAbstractSettingsCommand::SaveTo(storage);
    if (storage && !storageString_.empty()) {
        storage->SetChildContent("storage_string", Variant(storageString_));
    }
}

const TPropertyTable& TLoadResourcesSettingsCommand::Table() {
    using C = TLoadResourcesSettingsCommand;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TAbstractSettingsCommand::Table())
            .Field("groupname", &C::groupName_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TLoadResourcesSettingsCommand::Execute(IGameScreenOwner* target) {
    const Ref<IEngine> engine = target ? target->GetEngine() : nullptr;
    if (!engine) return;
    const Ref<IHierStorage> root = ParseFragment(GetStorageString(), "load_resource_command");
    if (!root) return;
    try {
        engine->LoadResources(root, groupName_, kLoadResourcesAtOnce);
    } catch (const std::exception& e) {
        ScriptLog("The resources of the group \"" + groupName_ +
                  "\" from a custom settings script cannot be loaded: " + e.what());
    }
}

const TPropertyTable& TAddWidgetSettingsCommand::Table() {
    using C = TAddWidgetSettingsCommand;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TAbstractSettingsCommand::Table())
            .Field("gamescreenname", &C::screenName_).SaveAlways()
            .Field("parent_widget_name", &C::parentName_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TAddWidgetSettingsCommand::Execute(IGameScreenOwner* target) {
    if (!target) return;
    try {
        Run(*target);
    } catch (const std::exception& e) {
        ScriptLog("A custom settings script cannot add a widget to the screen \"" + screenName_ +
                  "\": " + e.what());
    }
}

void TAddWidgetSettingsCommand::Run(IGameScreenOwner& target) {
    const TScreenWindow place = FindScreenWindow(target, screenName_);
    if (!place.window) return;
    Ref<IWidget> parent = place.window->FindWidget(parentName_);
    if (!parent) parent = place.screen->GetWindowWidget();
    const Ref<IWidgetCollection> children = parent ? parent->GetChildren() : nullptr;
    if (!children || !Query<IWidgetOwner>(parent)) return;

    const Ref<IHierStorage> root = ParseFragment(GetStorageString(), "add_widget_command");
    if (!root) return;
    const std::string name = ReadString(root, "name", "");
    const Ref<IWidget> widget =
        Query<IWidget>(CreateNamedObject(ReadString(root, "type", ""), name));
    if (!widget) return;
    LoadPersistObject(widget, root);

    // Unnamed widgets are all kept, so only a named one replaces another.
    if (!name.empty()) {
        if (const Ref<IWidget> old = children->GetWidgetByName(name)) {
            old->SetDead(true);
            children->RemoveDead();
        }
    }
    children->AddWidget(widget);
}

const TPropertyTable& TWidgetChangePropertyValueSettingsCommand::Table() {
    using C = TWidgetChangePropertyValueSettingsCommand;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TAbstractSettingsCommand::Table())
            .Field("gamescreenname", &C::screenName_).SaveAlways()
            .Field("widgetname", &C::widgetName_).SaveAlways()
            .Field("paramname", &C::paramName_).SaveAlways()
            .Field("value", &C::value_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TWidgetChangePropertyValueSettingsCommand::Execute(IGameScreenOwner* target) {
    if (!target) return;
    try {
        Run(*target);
    } catch (const std::exception& e) {
        ScriptLog("A custom settings script cannot set \"" + paramName_ + "\" of the widget \"" +
                  widgetName_ + "\": " + e.what());
    }
}

void TWidgetChangePropertyValueSettingsCommand::Run(IGameScreenOwner& target) {
    const TScreenWindow place = FindScreenWindow(target, screenName_);
    if (!place.window) return;
    TOneArrayOfString pieces;
    Split(widgetName_, pieces, '\\');
    Ref<IWidgetCollection> children = place.window->GetChildren();
    Ref<IWidget> widget;
    for (const std::string& piece : pieces) {
        const std::string_view name = Trim(piece);
        if (name.empty()) continue;
        if (widget) children = widget->GetChildren();
        if (!children) return;
        widget = children->GetWidgetByName(name);
        if (!widget) return;
    }
    if (widget) widget->SetProperty(paramName_, Variant(value_));
}

void RegisterSettingsCommands() {
    RegisterObjectClass(ClassOf<TParamSettingsCommand>(), "param_command");
    RegisterObjectClass(ClassOf<TAddWidgetSettingsCommand>(), "add_widget_command");
    RegisterObjectClass(ClassOf<TWidgetChangePropertyValueSettingsCommand>(),
                        "widget_change_property_value_command");
    RegisterObjectClass(ClassOf<TLoadResourcesSettingsCommand>(), "load_resource_command");
}
