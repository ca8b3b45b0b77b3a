#include "core/base/Interface.h"

void IInterface::CheckDestruction() const noexcept {
    const uint32_t count = word_ & kCountMask;
    if (word_ & kDying) {
        QM_ASSERT(count == 1,
                  "A reference taken while the object was being destroyed outlived the object.");
    } else if (word_ & kAdopted) {
        QM_ASSERT(false,
                  "An adopted object was deleted directly; only its last Release may delete it.");
    } else {
        QM_ASSERT(count == 1,
                  "An object nobody adopted (on the stack, a member or a unique_ptr) was destroyed "
                  "while a Ref still held it.");
    }
    (void)count;
}

void IInterface::EndWeak() const noexcept {
    weak_->alive = false;
    interface_detail::ReleaseWeakBlock(weak_);
}

interface_detail::TWeakBlock* IInterface::WeakBlock() const {
    if (!weak_) weak_ = new interface_detail::TWeakBlock{1, (word_ & kDying) == 0};
    return weak_;
}

void interface_detail::ReleaseWeakBlock(TWeakBlock* block) noexcept {
    if (--block->holders == 0) delete block;
}

void IInterface::Destroy() const noexcept {
    // From here on the object is gone for weak references, and references
    // taken and dropped by the destructors (1 -> 2 -> 1) cannot delete it a
    // second time.
    word_ = kDying | 1;
    if (weak_) weak_->alive = false;
    delete this;
}
