#include "widgets/WidgetFactories.h"

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/storage/XMLStorage.h"
#include "widgets/WidgetInternal.h"

std::string EscapeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// TWidgetFactory

void TWidgetFactory::Create() {
    TPersistObject::Create();
    SetNodeName("widgetfactory");
}

const TPropertyTable& TWidgetFactory::Table() {
    using F = TWidgetFactory;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<F>(TPersistObject::Table())
            .Field("usemacros", &F::useMacros_, true)
            .Field("redefinedparams", &F::redefinedParams_)
            .Build();
    // clang-format on
    return table;
}

void TWidgetFactory::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    const Variant content = storage ? storage->GetChildContent("widgetstring") : Variant();
    widgetString_ = content.IsUnassigned() ? std::string() : content.ToString();
    // A new template is parsed afresh.
    templateNode_ = nullptr;
    templateFailed_ = false;
}

void TWidgetFactory::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    if (storage) storage->SetChildContent("widgetstring", Variant(widgetString_));
}

std::string TWidgetFactory::ExpandMacros(const Ref<IParamCollection>& params) {
    std::string text = widgetString_;
    if (!params) return text;
    const int32_t count = params->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IParam> param = params->GetParam(Variant(i));
        if (!param) continue;
        // Appended piece by piece: g++ 12 warns falsely about "%" + name + "%".
        std::string macro(1, '%');
        macro += param->GetName();
        macro += '%';
        std::string value;
        try {
            value = EscapeXmlText(param->GetValue().ToString());
        } catch (const Exception& e) {
            Log("WIDGET", DescribeWidget(*this) + ": the parameter \"" + param->GetName() +
                              "\" has no text form (" + e.Message() + "); its macro stays");
            continue;
        }
        for (size_t at = text.find(macro); at != std::string::npos;
             at = text.find(macro, at + value.size())) {
            text.replace(at, macro.size(), value);
        }
    }
    return text;
}

Ref<IHierStorage> TWidgetFactory::TemplateNode(const Ref<IParamCollection>& params) {
    if (!useMacros_ && (templateNode_ || templateFailed_)) return templateNode_;
    const std::string text = useMacros_ ? ExpandMacros(params) : widgetString_;
    Ref<IHierStorage> node;
    if (Trim(text).empty()) {
        Log("WIDGET", DescribeWidget(*this) + ": the template is empty");
    } else {
        try {
            node = LoadStorageFromXML(text);
        } catch (const std::exception& e) {
            Log("WIDGET", DescribeWidget(*this) + ": the template does not parse: " + e.what());
        }
    }
    if (!useMacros_) {
        templateNode_ = node;
        templateFailed_ = !node;
    }
    return node;
}

Ref<IWidget> TWidgetFactory::CreateWidget(const Ref<IParamCollection>& params) {
    const Ref<IHierStorage> node = TemplateNode(params);
    if (!node) return nullptr;
    Ref<IWidget> widget;
    try {
        const std::string name = ReadString(node, "name", "");
        const std::string type = ReadString(node, "type", "");
        const Ref<INamedObject> object = CreateNamedObject(type, name);
        widget = Query<IWidget>(object);
        if (!widget) {
            Log("WIDGET", DescribeWidget(*this) + ": the type \"" + type + "\" " +
                              (object ? "is no widget" : "is not registered"));
            return nullptr;
        }
        if (const Ref<IPersistObject> persist = Query<IPersistObject>(widget)) persist->Load(node);
    } catch (const Exception& e) {
        Log("WIDGET", DescribeWidget(*this) + ": the widget did not load: " + e.Message());
        return nullptr;
    }
    if (!useMacros_ && params && !redefinedParams_.empty()) {
        // The creation parameter each pair's value names becomes the widget's
        // property of that name.
        TTwoArrayOfString pairs;
        SplitParams(redefinedParams_, pairs, '\\', '=');
        for (const auto& pair : pairs) {
            try {
                widget->SetProperty(pair[1], params->GetValue(pair[1], Variant()));
            } catch (const Exception&) {
                // The widget is handed out without that value.
            }
        }
    }
    if (const Ref<IPersistObject2> stored = Query<IPersistObject2>(widget)) {
        stored->SetStored(false);
    }
    return widget;
}

// ---------------------------------------------------------------------------
// TWidgetFactoryCollection

void TWidgetFactoryCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("widgetfactories");
    SetItemNodeName("widgetfactory");
}
