// Widget factories: named templates from which widgets are made at run time
// (a list row, a score line, a flying bonus). A factory's template is the
// storage text of one widget element; creating a widget parses it, creates
// the registered class its "type" names and loads it from the element.
//
// Two ways to pass creation parameters: with macros (the default) every
// "%name%" of a parameter is replaced by the parameter's value before the
// text is parsed, so the text is parsed on every creation; without macros the
// template is parsed once and the parameters named by "redefinedparams" are
// set as properties of the new widget.
//
// Failures: CreateWidget answers null and raises nothing for an empty
// template, text that does not parse, a type that is not registered or is no
// widget, or a widget that fails to load; each is logged (module "WIDGET").
// Macro values are escaped for XML, so a value cannot break or add to the
// template's markup.
#pragma once

#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "widgets/GameInterfaces.h"

// Registered as "WidgetFactory"; element "widgetfactory" with "name", "type",
// "usemacros" (written only when "no"), "redefinedparams" and the template as
// the content of a child "widgetstring".
class TWidgetFactory : public TPersistObject, public virtual IWidgetFactory {
public:
    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    std::string GetWidgetString() override { return widgetString_; }
    // The template parsed already (without macros) stays in use.
    void SetWidgetString(const std::string& text) override { widgetString_ = text; }
    // Each parameter in order replaces every "%name%" (exact case) of the text
    // as the earlier ones left it; macros without a parameter stay.
    std::string ExpandMacros(const Ref<IParamCollection>& params) override;
    // The widget is not stored with its owner; the caller adds it to a list.
    Ref<IWidget> CreateWidget(const Ref<IParamCollection>& params) override;

    bool GetUseMacros() const { return useMacros_; }

private:
    // The template node: a fresh parse with macros, the held one without.
    Ref<IHierStorage> TemplateNode(const Ref<IParamCollection>& params);

    std::string widgetString_;
    bool useMacros_ = true;
    std::string redefinedParams_;
    Ref<IHierStorage> templateNode_;  // parsed on the first creation without macros
    bool templateFailed_ = false;     // that parse failed (logged once)
};

// Element "widgetfactories" of "widgetfactory" items, each created from its
// "type". Not registered.
class TWidgetFactoryCollection : public TTypedCollection<IWidgetFactory, IWidgetFactoryCollection,
                                                         TTypedCreationPersistItemCollection> {
public:
    void Create() override;
    Ref<IWidgetFactory> GetFactory(const Variant& key) override { return Find(key); }
    void AddFactory(const Ref<IWidgetFactory>& factory) override { Add(factory); }
};

// The XML text with "&", "<", ">" and both quotes as entities.
std::string EscapeXmlText(std::string_view text);
