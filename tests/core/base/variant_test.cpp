#include <gtest/gtest.h>

#include "core/base/Variant.h"
#include "tests/support/Locale.h"

namespace {

struct TextCase {
    Variant value;
    const char* text;
};

TEST(Variant, ToStringTable) {
    const TextCase cases[] = {
        {Variant(), ""},
        {Variant::Null(), ""},
        {Variant(int32_t{-42}), "-42"},
        {Variant(int16_t{7}), "7"},
        {Variant(uint8_t{255}), "255"},
        {Variant(int64_t{1} << 40), "1099511627776"},
        {Variant(0.5), "0.5"},
        {Variant(1.0 / 3.0), "0.333333333333333"},
        {Variant(1e20), "1E20"},
        {Variant(1e-5), "1E-5"},
        {Variant(-2.25), "-2.25"},
        {Variant(Currency{12345}), "1.2345"},
        {Variant(Currency{-5000}), "-0.5"},
        {Variant(TDateTime{0.5}), "1899-12-30T12-00-00"},
        {Variant(TDateTime{45000.25}), "2023-03-15T06-00-00"},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant("abc"), "abc"},
        {Variant(u"\u00e9\u20ac"), "\xe9?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.ToString(), c.text) << "type " << c.value.Type();
    }
}

TEST(Variant, NumbersIgnoreTheProcessLocale) {
    TCommaLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma can be selected here";
    EXPECT_DOUBLE_EQ(Variant("0.5").ToDouble(), 0.5);
    EXPECT_DOUBLE_EQ(Variant("0,5").ToDouble(), 0.5);
    EXPECT_EQ(Variant(0.5).ToString(), "0.5");
    EXPECT_EQ(Variant(-1234567.875).ToString(), "-1234567.875");
    EXPECT_EQ(FloatToText(1e-7), "1E-7");
}

TEST(Variant, ConversionTable) {
    EXPECT_EQ(Variant("  12 ").ToInt(), 12);
    EXPECT_EQ(Variant("2.5").ToInt(), 3);  // text rounds half away from zero
    EXPECT_EQ(Variant(2.5).ToInt(), 2);    // floats round half to even
    EXPECT_EQ(Variant(3.5).ToInt(), 4);
    EXPECT_EQ(Variant().ToInt(), 0);
    EXPECT_EQ(Variant(true).ToInt(), 1);
    EXPECT_TRUE(Variant("TRUE").ToBool());
    EXPECT_FALSE(Variant("false").ToBool());
    EXPECT_TRUE(Variant("2").ToBool());
    EXPECT_FALSE(Variant("0").ToBool());
    EXPECT_EQ(Variant("abc").ToWideString(), u"abc");
    EXPECT_THROW(Variant("abc").ToInt(), EVariantError);
    EXPECT_THROW(Variant("1x").ToDouble(), EVariantError);
    EXPECT_THROW(Variant::Null().ToInt(), EVariantError);
    EXPECT_THROW(Variant("yes").ToBool(), EVariantError);
    EXPECT_THROW(Variant(int64_t{1} << 40).ToInt(), EVariantError);
}

TEST(Variant, EmptyAndNullAreDistinct) {
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_FALSE(Variant().IsNull());
    EXPECT_TRUE(Variant::Null().IsNull());
    EXPECT_FALSE(Variant() == Variant::Null());
    EXPECT_TRUE(Variant::Null() == Variant::Null());
    EXPECT_EQ(Variant().Type(), varEmpty);
    EXPECT_EQ(Variant::Null().Type(), varNull);
    // Null takes part in no ordering and swallows arithmetic.
    EXPECT_FALSE(Variant::Null() < Variant(1));
    EXPECT_FALSE(Variant::Null() > Variant(1));
    EXPECT_TRUE((Variant::Null() + Variant(1)).IsNull());
}

TEST(Variant, TextsCompareAsTextsAndAsNumbersAgainstNumbers) {
    EXPECT_TRUE(Variant("10") < Variant("9"));  // two texts: text order
    EXPECT_TRUE(Variant("10") > Variant(9));    // a text meeting a number: numeric
    EXPECT_TRUE(Variant(9) < Variant("10"));
    EXPECT_TRUE(Variant("3") == Variant(3));
    EXPECT_TRUE(Variant("3.0") == Variant(3));
    EXPECT_TRUE(Variant(u"abc") == Variant("abc"));
    EXPECT_TRUE(Variant() == Variant(""));
    EXPECT_TRUE(Variant() == Variant(0));
    EXPECT_FALSE(Variant("x") == Variant(1));  // no number: unequal, no exception
    EXPECT_THROW((void)(Variant("x") < Variant(1)), EVariantError);
}

TEST(Variant, Arithmetic) {
    struct Case {
        Variant result;
        Variant expected;
    };
    const Case cases[] = {
        {Variant(0) + Variant("3"), Variant(3)},
        {Variant(0) + Variant("3") + Variant("4"), Variant(7)},
        {Variant("3") + Variant("4"), Variant("34")},
        {Variant(1) + Variant(0.5), Variant(1.5)},
        {Variant("2.5") * Variant(2), Variant(5.0)},
        {Variant(7) / Variant(2), Variant(3.5)},
        {Variant(7) - Variant("10"), Variant(-3)},
        {Variant(2147483647) + Variant(1), Variant(int64_t{2147483648})},
        {-Variant(5), Variant(-5)},
        {Variant() + Variant(4), Variant(4)},
        {Variant(true) + Variant(1), Variant(2)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.Type(), c.expected.Type()) << c.result.ToString();
        EXPECT_TRUE(c.result == c.expected) << c.result.ToString() << " vs " << c.expected.ToString();
    }
}

class TDummy : public IInterface {};

TEST(Variant, HoldsInterfacesAndBytes) {
    Ref<IInterface> object = MakeRef<TDummy>();
    Variant v(object);
    EXPECT_EQ(v.Type(), varUnknown);
    EXPECT_EQ(object->RefCount(), 2);
    EXPECT_TRUE(v.ToInterface() == object);
    EXPECT_TRUE(v == Variant(object));
    EXPECT_FALSE(v == Variant(MakeRef<TDummy>()));
    EXPECT_THROW(v.ToString(), EVariantError);
    v = Variant();
    EXPECT_EQ(object->RefCount(), 1);

    Variant bytes(ByteArray{1, 2, 3});
    EXPECT_EQ(bytes.Type(), varByteArray);
    EXPECT_EQ(bytes.ToBytes(), (ByteArray{1, 2, 3}));
    EXPECT_TRUE(bytes == Variant(ByteArray{1, 2, 3}));
}

}  // namespace
