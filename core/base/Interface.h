// Intrusive reference counting for every shared engine object.
//
// Interfaces are abstract classes that derive virtually from IInterface, so an
// object implementing several of them still has exactly one count, and any
// interface pointer can take or drop a reference. Ref<T> is the one owning
// smart pointer; owner and parent back-links are plain pointers and hold no
// count, so trees free themselves when the last outside reference goes.
//
// Counts are not atomic: engine objects live on the main thread.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

class IInterface {
public:
    IInterface(const IInterface&) = delete;
    IInterface& operator=(const IInterface&) = delete;

    void AddRef() const noexcept { ++refCount_; }
    void Release() const noexcept {
        if (--refCount_ == 0) delete this;
    }
    int32_t RefCount() const noexcept { return refCount_; }

protected:
    IInterface() = default;
    virtual ~IInterface() = default;

private:
    mutable int32_t refCount_ = 0;
};

template <class T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    // Taking a raw pointer adds a reference, so `Ref<IFoo> self = this;` is safe.
    Ref(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    Ref(const Ref& other) noexcept : Ref(other.p_) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& other) noexcept : Ref(other.get()) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(Ref<U>&& other) noexcept : p_(other.Detach()) {}
    ~Ref() {
        if (p_) p_->Release();
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

// Creates a counted object; the first reference is the answer's.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
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
