#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/object/ElHashList.h"
#include "core/object/GeneralClasses.h"

namespace {

std::vector<std::string> g_calls;
int g_alive = 0;

class TProbe : public TAbstractObject {
public:
    TProbe() {
        ++g_alive;
        // So does one taken inside the C++ constructor, before any creation
        // path has adopted the object.
        Ref<TAbstractObject> self(this);
    }
    ~TProbe() override { --g_alive; }
    void Create() override {
        TAbstractObject::Create();
        g_calls.push_back("Create");
        // A reference taken and dropped while the object is being built must
        // not free it.
        Ref<TAbstractObject> self(this);
    }
    void SetParam(const std::string& name, const std::string& value) override {
        g_calls.push_back(name + "=" + value);
        if (name == "boom") throw Exception("bad parameter");
    }
};

class TProbeChild : public TProbe {};

class TFailingCreate : public TAbstractObject {
public:
    TFailingCreate() { ++g_alive; }
    ~TFailingCreate() override { --g_alive; }
    void Create() override { throw Exception("cannot initialise"); }
};

class TAbstractProbe : public TAbstractObject {
public:
    virtual void Pure() = 0;
};

class TUnregistered : public TAbstractObject {};

// The registry lives as long as the process; register once however often
// the tests run.
void EnsureRegistered(TAbstractClass cls, const std::string& name) {
    if (!FindRegisteredClass(name)) RegisterObjectClass(cls, name);
}

class Registry : public testing::Test {
protected:
    void SetUp() override {
        EnsureRegistered(ClassOf<TProbe>(), "RegistryProbe");
        EnsureRegistered(ClassOf<TProbe>(), "RegistryProbeAlias");
        EnsureRegistered(ClassOf<TFailingCreate>(), "RegistryFailingCreate");
        EnsureRegistered(ClassOf<TAbstractProbe>(), "RegistryAbstract");
        g_calls.clear();
        g_alive = 0;
    }
    void TearDown() override { EXPECT_EQ(g_alive, 0) << "objects left alive"; }
};

TEST_F(Registry, CreateObjectByName) {
    struct TCase {
        std::string text;
        bool created;
        std::vector<std::string> calls;
    };
    const TCase cases[] = {
        {"RegistryProbe", true, {"Create"}},
        {"registryprobe", true, {"Create"}},
        {"REGISTRYPROBE{}", true, {"Create"}},
        {"RegistryProbeAlias", true, {"Create"}},
        {"RegistryProbe{a=1\\b=2}", true, {"Create", "a=1", "b=2"}},
        {"RegistryProbe{a=1", true, {"Create", "a="}},  // the last character is dropped
        {"RegistryProbe{", true, {"Create"}},
        {"RegistryProbe{=}", true, {"Create", "="}},  // an empty name and value
        {"RegistryProbe{x\\y\\a=1}", true, {"Create", "a=1"}},
        {"RegistryProbe{in={p=1\\q=2}\\b=2}", true, {"Create", "in=p=1\\q=2", "b=2"}},
        {"RegistryProbe{a=1}\\b=2}", true, {"Create", "a=1}", "b=2"}},
        {" RegistryProbe", false, {}},  // names are not trimmed
        {"Unknown{a=1}", false, {}},
        {"Unknown", false, {}},
        {"", false, {}},
        {"{a=1}", false, {}},
        {"RegistryAbstract{a=1}", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        g_calls.clear();
        Ref<TAbstractObject> object;
        EXPECT_NO_THROW(object = CreateObjectByName(c.text));
        EXPECT_EQ(bool(object), c.created);
        if (object) {
            EXPECT_NE(dynamic_cast<TProbe*>(object.get()), nullptr);
            EXPECT_EQ(object->RefCount(), 1);
        }
        EXPECT_EQ(g_calls, c.calls);
    }
}

TEST_F(Registry, CreateAbstractObject) {
    Ref<TAbstractObject> plain = CreateAbstractObject(ClassOf<TProbeChild>(), "");
    ASSERT_TRUE(plain);
    EXPECT_NE(dynamic_cast<TProbeChild*>(plain.get()), nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"Create"}));

    g_calls.clear();
    Ref<TProbe> typed = CreateObject<TProbe>("\\z=9\\noequals\\y = 8");
    ASSERT_TRUE(typed);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"Create", "z=9", "y=8"}));

    EXPECT_FALSE(CreateAbstractObject(nullptr, "a=1"));
    EXPECT_FALSE(CreateAbstractObject(ClassOf<TAbstractProbe>()));
}

TEST_F(Registry, AnExceptionFreesTheHalfBuiltObject) {
    try {
        CreateObjectByName("RegistryProbe{a=1\\boom=x\\b=2}");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "bad parameter");
    }
    EXPECT_EQ(g_calls, (std::vector<std::string>{"Create", "a=1", "boom=x"}));
    EXPECT_EQ(g_alive, 0);

    try {
        CreateObjectByName("RegistryFailingCreate{a=1}");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "cannot initialise");
    }
    EXPECT_EQ(g_alive, 0);
}

TEST_F(Registry, DuplicateNamesRaise) {
    try {
        RegisterObjectClass(ClassOf<TUnregistered>(), "REGISTRYPROBE");
        ADD_FAILURE() << "no exception";
    } catch (const EElHashListError& e) {
        EXPECT_EQ(e.Message(), "Duplicate entry.");
    }
    // The registry is unchanged.
    EXPECT_EQ(FindRegisteredClass("RegistryProbe"), ClassOf<TProbe>());
    EXPECT_EQ(GetRegisteredClassName(ClassOf<TUnregistered>()), "");
}

TEST_F(Registry, GetRegisteredClassName) {
    // Registered under two names: the first answers.
    EXPECT_EQ(GetRegisteredClassName(ClassOf<TProbe>()), "RegistryProbe");
    // No inheritance test.
    EXPECT_EQ(GetRegisteredClassName(ClassOf<TProbeChild>()), "");
    EXPECT_EQ(GetRegisteredClassName(nullptr), "");

    Ref<TAbstractObject> probe = CreateObjectByName("registryprobealias");
    ASSERT_TRUE(probe);
    EXPECT_EQ(GetRegisteredClassName(*probe), "RegistryProbe");
    Ref<TAbstractObject> child = CreateAbstractObject(ClassOf<TProbeChild>());
    EXPECT_EQ(GetRegisteredClassName(*child), "");
}

TEST_F(Registry, FindRegisteredClass) {
    EXPECT_EQ(FindRegisteredClass("REGISTRYprobe"), ClassOf<TProbe>());
    EXPECT_EQ(FindRegisteredClass("RegistryProbe "), nullptr);
    EXPECT_EQ(FindRegisteredClass("nothing"), nullptr);
}

}  // namespace
