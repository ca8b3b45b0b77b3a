#include "nonogram/TipDefs.h"

#include <limits>

#include "core/base/Random.h"

void TQuillmarchTipDef::Create() {
    TParamsPropertyObject::Create();
    SetNodeName("tip");
}

void TQuillmarchTipDefCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("tips");
    SetItemNodeName("tip");
    SetItemClass(ClassOf<TQuillmarchTipDef>());
}

int32_t TipWeight(const Ref<IQuillmarchTipDef>& tip) {
    if (!tip) return 0;
    const Variant value = tip->GetProperty("probability");
    if (value.IsUnassigned()) return 0;
    int64_t weight = 0;
    if (!TryTextToInt64(value.ToString(), weight) || weight < 0) return 0;
    // The total of all weights must stay within what the generator takes.
    return weight > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                        : static_cast<int32_t>(weight);
}

std::string ChooseWeightedTip(const Ref<IQuillmarchTipDefCollection>& tips,
                              const TRandomBelow& random) {
    if (!tips) return {};
    const int32_t count = tips->GetCount();
    int64_t total = 0;
    for (int32_t i = 0; i < count; ++i) total += TipWeight(tips->GetItem(Variant(i)));
    if (total <= 0) return {};
    // A list whose weights add up past the generator's range is drawn over
    // that range: the later tips then share what is left.
    const int32_t bound = total > std::numeric_limits<int32_t>::max()
                              ? std::numeric_limits<int32_t>::max()
                              : static_cast<int32_t>(total);
    int64_t r = random ? random(bound) : PlayRandom(bound);
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IQuillmarchTipDef> tip = tips->GetItem(Variant(i));
        const int32_t weight = TipWeight(tip);
        if (r < weight) return tip->GetName();
        r -= weight;
    }
    return {};
}

void RegisterTipClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchTipDef>(), "QuillmarchTipDef");
}
