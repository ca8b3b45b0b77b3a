// The tips the statistics screen shows under a won level's results: named
// objects whose "properties" give "text" (the text shown) and "probability"
// (a whole weight for the random draw). The screen reads them from its own
// node:
//
//   <tips>
//     <tip name="tip_hammer"><properties>
//       <param name="text" value="%tip_hammer%"/>
//       <param name="probability" value="3"/>
//     </properties></tip>
//   </tips>
//
// Failures: nothing here raises. A weight that is absent, not a whole number
// or below 0 counts as 0, so such a tip is never drawn but can still be
// named.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"

class IQuillmarchTipDef : public virtual IParamsPropertyObject {};

class IQuillmarchTipDefCollection : public virtual ICollection {
public:
    // Nothing for null; a name present keeps the first.
    virtual void Add(const Ref<IQuillmarchTipDef>& tip) = 0;
    // By position from 0 (an integer key) or name (a text key); null when
    // absent.
    virtual Ref<IQuillmarchTipDef> GetItem(const Variant& key) = 0;
};

// Registered as "QuillmarchTipDef"; node "tip".
class TQuillmarchTipDef : public TParamsPropertyObject, public virtual IQuillmarchTipDef {
public:
    void Create() override;
};

// Node "tips", items "tip", in file order and by name.
class TQuillmarchTipDefCollection
    : public TTypedCollection<IQuillmarchTipDef, IQuillmarchTipDefCollection> {
public:
    void Create() override;
    void Add(const Ref<IQuillmarchTipDef>& tip) override { TryAdd(tip); }
    Ref<IQuillmarchTipDef> GetItem(const Variant& key) override { return Find(key); }
};

// A tip's weight: its "probability" as a whole number, 0 when it is absent,
// no whole number or negative.
int32_t TipWeight(const Ref<IQuillmarchTipDef>& tip);

// A source of whole numbers from 0 to n - 1 for n > 0 (0 for n = 0), as
// Random(n) gives.
using TRandomBelow = std::function<int32_t(int32_t)>;

// The name of a tip drawn by weight: R below the total weight, then the tips
// in order, each taking R when R is below its weight and passing R less its
// weight on otherwise. Empty when no tip has weight. random defaults to the
// play's generator (PlayRandom).
std::string ChooseWeightedTip(const Ref<IQuillmarchTipDefCollection>& tips,
                              const TRandomBelow& random = {});

void RegisterTipClasses();
