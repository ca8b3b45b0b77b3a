// Intrusive reference counting for every shared engine object.
//
// Interfaces are abstract classes that derive virtually from IInterface, so an
// object implementing several of them still has exactly one count, and any
// interface pointer can take or drop a reference. Ref<T> is the one owning
// smart pointer; owner and parent back-links are plain pointers and hold no
// count, so trees free themselves when the last outside reference goes.
// Weak<T> is for holders that must not own: it answers null once the
// object's destruction has begun.
//
// The rules the count enforces:
// - An object's count starts at 1, the construction reference. The code that
//   creates an object with new hands that reference to a Ref with
//   Ref<T>::Adopt (MakeRef, CreateAbstractObject and the class registry do
//   so); the object is then deleted by its last Release. A Ref to `this`
//   taken inside a constructor goes 1 -> 2 -> 1 and frees nothing.
// - An object nobody adopted (on the stack, a member, in a unique_ptr) keeps
//   its construction reference for its whole life, so a Ref to it never
//   deletes it; its owner destroys it as usual.
// - A debug build stops, with a sentence, on a Release that would take the
//   count below zero (below the construction reference of an object nobody
//   adopted), on an adopted object deleted other than by its last Release,
//   on an object destroyed while a Ref still holds it, on a reference taken
//   during destruction that outlives the object, and on a second Adopt.
//   Ref(T*) is explicit, so a reference is never taken by accident.
//
// Counts are not atomic: engine objects live on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "core/base/Assert.h"

namespace interface_detail {

// Where weak references look: made by the object on first use, it outlives the
// object while weak references to it remain.
struct TWeakBlock {
    int32_t holders;  // the weak references, plus one for the living object
    bool alive;
};

// Drops one holder of a block, freeing it with the last.
void ReleaseWeakBlock(TWeakBlock* block) noexcept;

}  // namespace interface_detail

class IInterface {
public:
    IInterface(const IInterface&) = delete;
    IInterface& operator=(const IInterface&) = delete;

    void AddRef() const noexcept { ++word_; }
    void Release() const noexcept {
        if ((word_ & kCountMask) > 1) {
            --word_;
            return;
        }
        // The last reference: only an adopted object that is not already
        // being destroyed may go now.
        QM_ASSERT(word_ == (kAdopted | 1),
                  "Release was called on an object whose count is already at its floor: either "
                  "nobody holds the reference being released, or the object was never adopted "
                  "(a stack or member object) and this would drop its construction reference.");
        if (word_ == (kAdopted | 1)) Destroy();
    }
    // The references held, the construction reference of an object nobody
    // adopted included.
    int32_t RefCount() const noexcept { return int32_t(word_ & kCountMask); }
    // Whether a Ref adopted the construction reference (the object is deleted
    // by its last Release).
    bool IsAdopted() const noexcept { return (word_ & kAdopted) != 0; }
    // Whether a weak reference was ever made to the object. An owner that
    // gives up the memory of many objects at once, without destroying them
    // one by one, destroys these ones properly, so that their weak references
    // learn of it.
    bool HasWeakReferences() const noexcept { return weak_ != nullptr; }

protected:
    IInterface() noexcept = default;
    // Checks, in a debug build, that the object goes the way its count says,
    // and tells the weak references it has gone.
    virtual ~IInterface() {
#ifndef NDEBUG
        CheckDestruction();
#endif
        if (weak_) EndWeak();
    }

private:
    template <class>
    friend class Ref;
    template <class>
    friend class Weak;

    static constexpr uint32_t kAdopted = 1u << 31;
    static constexpr uint32_t kDying = 1u << 30;
    static constexpr uint32_t kCountMask = kDying - 1;

    void MarkAdopted() const noexcept {
        QM_ASSERT((word_ & (kAdopted | kDying)) == 0,
                  "An object was adopted twice; only the code that created it with new adopts its "
                  "construction reference.");
        word_ |= kAdopted;
    }
    // The weak block, made on first use.
    interface_detail::TWeakBlock* WeakBlock() const;
    void EndWeak() const noexcept;
    void CheckDestruction() const noexcept;
    void Destroy() const noexcept;

    mutable uint32_t word_ = 1;  // the count, with the adopted and dying bits
    mutable interface_detail::TWeakBlock* weak_ = nullptr;
};

template <class T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    // Adds a reference to an existing object. Never use it on the result of
    // new: that reference belongs to Adopt (or MakeRef).
    explicit Ref(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    Ref(const Ref& other) noexcept : Ref(other.p_) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& other) noexcept : Ref(static_cast<T*>(other.get())) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(Ref<U>&& other) noexcept : p_(other.Detach()) {}
    ~Ref() {
        if (p_) p_->Release();
    }

    // Takes over the construction reference of an object just made with new,
    // which is then deleted by its last Release.
    [[nodiscard]] static Ref Adopt(T* p) noexcept {
        Ref ref;
        ref.p_ = p;
        if (p) static_cast<const IInterface*>(p)->MarkAdopted();
        return ref;
    }

    Ref& operator=(const Ref& other) noexcept {
        Ref(other).swap(*this);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept {
        Ref(std::move(other)).swap(*this);
        return *this;
    }
    Ref& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void reset() noexcept { Ref().swap(*this); }
    void swap(Ref& other) noexcept { std::swap(p_, other.p_); }
    // Hands the reference to the caller, who must Release it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

    template <class U>
    bool operator==(const Ref<U>& other) const noexcept {
        return static_cast<const IInterface*>(p_) == static_cast<const IInterface*>(other.get());
    }
    bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }

private:
    T* p_ = nullptr;
};

// A reference that does not own: Lock() answers a Ref while the object lives
// and null once its destruction has begun. Making the first weak reference to
// an object allocates a small block; nothing else does.
template <class T>
class Weak {
public:
    Weak() noexcept = default;
    Weak(std::nullptr_t) noexcept {}
    explicit Weak(T* p) : p_(p) {
        if (p_) {
            block_ = static_cast<const IInterface*>(p_)->WeakBlock();
            ++block_->holders;
        }
    }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Weak(const Ref<U>& ref) : Weak(static_cast<T*>(ref.get())) {}
    Weak(const Weak& other) noexcept : p_(other.p_), block_(other.block_) {
        if (block_) ++block_->holders;
    }
    Weak(Weak&& other) noexcept
        : p_(std::exchange(other.p_, nullptr)), block_(std::exchange(other.block_, nullptr)) {}
    ~Weak() { Drop(); }

    Weak& operator=(const Weak& other) noexcept {
        Weak(other).swap(*this);
        return *this;
    }
    Weak& operator=(Weak&& other) noexcept {
        Weak(std::move(other)).swap(*this);
        return *this;
    }
    Weak& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    // A counted reference to the object, or null when it has gone.
    Ref<T> Lock() const noexcept { return Ref<T>(Get()); }
    // The object, or null when it has gone. For identity checks; to call the
    // object, Lock it.
    T* Get() const noexcept { return block_ && block_->alive ? p_ : nullptr; }
    bool Expired() const noexcept { return Get() == nullptr; }

    void reset() noexcept { Weak().swap(*this); }
    void swap(Weak& other) noexcept {
        std::swap(p_, other.p_);
        std::swap(block_, other.block_);
    }

private:
    void Drop() noexcept {
        if (block_) interface_detail::ReleaseWeakBlock(block_);
        block_ = nullptr;
        p_ = nullptr;
    }

    T* p_ = nullptr;
    interface_detail::TWeakBlock* block_ = nullptr;
};

// Creates a counted object; the construction reference is the answer's.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
    return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

// The interface query: the object behind `from` as a `To`, or null when it does
// not implement it.
template <class To, class From>
Ref<To> Query(From* from) noexcept {
    return Ref<To>(dynamic_cast<To*>(from));
}
template <class To, class From>
Ref<To> Query(const Ref<From>& from) noexcept {
    return Query<To>(from.get());
}
