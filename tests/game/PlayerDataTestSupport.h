// What the player data tests share: a fixture with a fresh player data folder
// and application data folder per test, the game's configuration applied, an
// engine on the headless platform (for its folders and its player-file
// writer), a fresh global options store and the log collected; and helpers
// that read the files back as their element trees.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/packs/Cipher.h"
#include "core/persist/Params.h"
#include "core/storage/XMLStorage.h"
#include "core/xml/SimpleXml.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "game/GlobalOptions.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace playerdata {

// An element tree in one line: name[attr=value,...](child child ...), a text
// node as "text"; blank text between elements is left out. Attributes keep
// their order.
inline void AppendTree(const Ref<IXmlNode>& node, std::string& out) {
    if (node->GetNodeType() == NODE_TEXT || node->GetNodeType() == NODE_CDATA_SECTION) {
        // Piece by piece, as below: g++ 12 -O2 warns falsely (-Wrestrict).
        out += '"';
        out += WideToUTF8(node->GetText());
        out += '"';
        return;
    }
    out += WideToUTF8(node->GetNodeName());
    const int32_t attrs = node->GetAttrCount();
    for (int32_t i = 0; i < attrs; ++i) {
        const WideString name = node->GetAttrName(i);
        // Appended piece by piece: g++ 12 -O2 warns falsely (-Wrestrict) on
        // a literal added to a temporary string.
        out += i == 0 ? "[" : ",";
        out += WideToUTF8(name);
        out += "=";
        out += WideToUTF8(node->GetAttr(name, u""));
    }
    if (attrs > 0) out += "]";
    Ref<IXmlNodeList> children = node->GetChildNodes();
    bool first = true;
    for (int32_t i = 0; children && i < children->GetCount(); ++i) {
        Ref<IXmlNode> child = children->Get(i);
        const int32_t type = child->GetNodeType();
        if (type == NODE_TEXT &&
            WideToUTF8(child->GetText()).find_first_not_of(" \t\r\n") == std::string::npos) {
            continue;
        }
        if (type != NODE_ELEMENT && type != NODE_TEXT && type != NODE_CDATA_SECTION) continue;
        out += first ? "(" : " ";
        first = false;
        AppendTree(child, out);
    }
    if (!first) out += ")";
}

// The tree of an XML text's root element; "<does not parse>" when it fails.
inline std::string TreeOf(const std::string& xml) {
    try {
        Ref<IXmlDocument> document = ParseXmlText(xml);
        std::string out;
        AppendTree(Ref<IXmlNode>(document->DocumentElement()), out);
        return out;
    } catch (const std::exception&) {
        return "<does not parse>";
    }
}

// Whether text is upper-case hexadecimal digits and nothing else.
inline bool IsUpperHex(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

// A parameter collection from name/value pairs.
inline Ref<IParamCollection> Params(
    std::initializer_list<std::pair<std::string, std::string>> pairs) {
    Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& [name, value] : pairs) params->SetValue(name, Variant(value));
    return params;
}

class PlayerDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResourcesDir(appDir.Path().string());
        ApplyQuillmarchConfiguration();
        previousPlatformFactory = SetPlatformFactory(
            []() { return std::unique_ptr<IPlatform>(std::make_unique<THeadlessPlatform>()); });
        previousAudioFactory =
            SetAudioBackendFactory([]() -> Ref<IAudioBackend> { return MakeRef<TAudioDevice>(); });
        engine = CreateObject<TEngine>();
        // Each test starts with the options store unread.
        DoneGlobalOptions();
        InitGlobalOptions();
    }

    void TearDown() override {
        if (engine) engine->Done();
        engine = nullptr;
        DoneGlobalOptions();
        InitGlobalOptions();
        SetPlatformFactory(std::move(previousPlatformFactory));
        SetAudioBackendFactory(std::move(previousAudioFactory));
        ResetGameShellConfiguration();
        SetGameDefinitionPath(kDefaultGameDefinitionPath);
        SetDataFileKey("");
        SetProductName(kDefaultProductName);
        SetGameVersion("");
        SetResourcesDir("");
    }

    Ref<IEngine> Engine() const { return Query<IEngine>(engine); }
    std::string UserDir() const { return engine->GetUserDir(); }
    std::string UserFile(const std::string& name) const { return UserDir() + name; }
    std::string AppFile(const std::string& name) const { return appDir.File(name); }

    // The file's plain text: deciphered under key, or as it is for an empty key.
    static std::string PlainText(const std::string& bytes, const std::string& key) {
        return key.empty() ? bytes : TCipher_Xtea(key).CodeString(bytes, paDecode, kFormatHex);
    }

    // Writes a document's XML into a folder as a player file under key.
    static void WritePlayerFile(const std::string& path, const std::string& xml,
                                const std::string& key) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::string text =
            key.empty() ? xml : TCipher_Xtea(key).CodeString(xml, paEncode, kFormatHex);
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << path;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fputc('\n', file);
        std::fclose(file);
    }

    // The files of the player data folder whose names begin with prefix.
    std::vector<std::string> UserFilesStartingWith(const std::string& prefix) const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(UserDir(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir xdg{"xdg"};
    TEnvGuard xdgGuard{"XDG_DATA_HOME", xdg.Path().c_str()};
    TTempDir appDir{"app"};
    TLogCapture log;
    Ref<TEngine> engine;

private:
    TPlatformFactory previousPlatformFactory;
    TAudioBackendFactory previousAudioFactory;
};

}  // namespace playerdata
