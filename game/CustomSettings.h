// Custom settings scripts: files named by the game definition that the game
// runs once, at the end of its Init, to set options, load extra resources,
// add widgets to screens and change widget properties.
//
//   custom_settings / custom_setting name=N filename=FILE key=KEY
//
// A script is a storage document (plain, or hexadecimal cipher text under
// "key") whose root, of any name, holds the commands in the order they run:
//
//   <settings><commands>
//     <command type="param_command" paramname="ShowHints" value="no"/>
//     <command type="load_resource_command" groupname="extra">
//       <storage_string><resources><content>...</content></resources></storage_string>
//     </command>
//     <command type="add_widget_command" gamescreenname="GS_Main"
//              parent_widget_name="panel">
//       <storage_string><widget type="image_widget" name="badge" .../></storage_string>
//     </command>
//     <command type="widget_change_property_value_command" gamescreenname="GS_Main"
//              widgetname="panel\badge" paramname="visible" value="no"/>
//   </commands></settings>
//
// Each script is read and applied before the next is read, so a command sees
// what the scripts before it did. The definition keeps only "filename" and
// "key"; the commands are read from the file.
//
// Failures: nothing raises out of the scripts. A script that cannot be read,
// deciphered or parsed runs no command, and a command of an unregistered
// type is skipped; both write a "GAME" line. A command stops at the first
// piece it cannot find (screen, window, parent, widget); what goes wrong
// while one adds a widget, changes a property or loads resources is logged
// and ends that command only.
#pragma once

#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "game/GameShellInterfaces.h"

// One command of a script.
class ISettingsCommand : public virtual INamedObject {
public:
    // Runs on the game; nothing for a null target.
    virtual void Execute(IGameScreenOwner* target) = 0;
};

// A script's commands, in the order they run.
class ISettingsCommandCollection : public virtual ICollection {
public:
    // By position or name; null when absent.
    virtual Ref<ISettingsCommand> Find(const Variant& key) = 0;
    virtual void Add(const Ref<ISettingsCommand>& command) = 0;
};

// One script of the definition.
class ICustomSettings : public virtual INamedObject {
public:
    // Reads the script's commands through the engine (nothing for a null
    // engine or an empty file name), in place of those read before.
    virtual void LoadFromFile(const Ref<IEngine>& engine) = 0;
    // Runs every command on the target, in order; nothing for a null target.
    virtual void ApplyCommands(IGameScreenOwner* target) = 0;
};

// The commands' collection ("commands" of "command" items), each made from
// its "type". Unnamed commands are all kept.
class TSettingsCommandCollection
    : public TTypedCollection<ISettingsCommand, ISettingsCommandCollection,
                              TTypedCreationPersistItemCollection> {
public:
    void Create() override;
    // The command of the element's "type"; null, with a "GAME" line, for a
    // type that is not registered or makes no command.
    Ref<IInterface> CreateItem(const Ref<IHierStorage>& node) override;
};

class TCustomSettings : public TPersistObject, public virtual ICustomSettings {
public:
    // Element name "custom_setting"; an empty command collection.
    void Create() override;

    // "filename" (always written) and "key" (written when not empty).
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFromFile(const Ref<IEngine>& engine) override;
    void ApplyCommands(IGameScreenOwner* target) override;

    // The commands of node's child "commands", in place of the present ones.
    virtual void LoadCommands(const Ref<IHierStorage>& node);

    const std::string& GetFileName() const { return fileName_; }
    const std::string& GetKey() const { return key_; }
    const Ref<TSettingsCommandCollection>& GetCommands() const { return commands_; }

private:
    std::string fileName_;
    std::string key_;
    Ref<TSettingsCommandCollection> commands_;
};

// The definition's scripts ("custom_settings" of "custom_setting" items).
class TCustomSettingsCollection
    : public TTypedCollection<ICustomSettings, ICustomSettingsCollection> {
public:
    void Create() override;
    // Each script in order: read through the engine, then applied to the
    // target.
    void LoadAndApplyAll(const Ref<IEngine>& engine, IGameScreenOwner* target) override;
};

// The base of the commands: element "command"; Execute does nothing.
class TAbstractSettingsCommand : public TPersistObject, public virtual ISettingsCommand {
public:
    void Create() override;
    void Execute(IGameScreenOwner* target) override;
};

// "param_command": the game option "paramname" set to "value" (a text) and
// passed to the engine, not written to the option store. Nothing for an
// empty "paramname".
class TParamSettingsCommand : public TAbstractSettingsCommand {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Execute(IGameScreenOwner* target) override;

private:
    std::string paramName_;
    std::string value_;
};

// The commands that carry an XML fragment in their child "storage_string"
// (the XML of its children, or its text when it has none).
class TStorageStringSettingsCommand : public TAbstractSettingsCommand {
public:
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The fragment written back when not empty.
    void SaveTo(const Ref<IHierStorage>& storage) override;

    const std::string& GetStorageString() const { return storageString_; }
    void SetStorageString(const std::string& text) { storageString_ = text; }

private:
    std::string storageString_;
};

// "load_resource_command": the fragment is a resource list (a root holding
// "content" of "resource" entries), loaded at once under "groupname", so
// removing that group drops its resources again.
class TLoadResourcesSettingsCommand : public TStorageStringSettingsCommand {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Execute(IGameScreenOwner* target) override;

private:
    std::string groupName_;
};

// "add_widget_command": the widget of the fragment (its root's "type" and
// "name") added to the widget at "parent_widget_name" in the window of the
// screen "gamescreenname" (the window's root for an empty or missing path).
// A child of the parent under the same name is removed first.
class TAddWidgetSettingsCommand : public TStorageStringSettingsCommand {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Execute(IGameScreenOwner* target) override;

private:
    void Run(IGameScreenOwner& target);

    std::string screenName_;
    std::string parentName_;
};

// "widget_change_property_value_command": the property "paramname" of a
// widget of the screen "gamescreenname" set to "value" (a text). The widget
// is named by "widgetname", names separated by "\": the first a child of the
// window's root, each further one a child of the one before.
class TWidgetChangePropertyValueSettingsCommand : public TAbstractSettingsCommand {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Execute(IGameScreenOwner* target) override;

private:
    void Run(IGameScreenOwner& target);

    std::string screenName_;
    std::string widgetName_;
    std::string paramName_;
    std::string value_;
};

// Registers the four commands.
void RegisterSettingsCommands();
