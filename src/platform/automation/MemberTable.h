#pragma once

#include "platform/automation/Dispatch.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

// The members of one class of automation object that this program serves
// itself (the CAD simulator's objects, the spreadsheet stand-in, test
// servers), looked up as IDispatch looks names up: ASCII letters in either
// case. An object holds a reference to its class's table, so an object is
// cheap to make even when a client makes one per entity of a large drawing;
// the handlers get the object they run on.
//
// Members are declared with the invocation kinds a type library gives them:
// a property answers a get or a method-or-get (and a put when it is
// writable); a method answers a method call or a method-or-get. Any other
// kind is DISP_E_MEMBERNOTFOUND, a wrong argument count DISP_E_BADPARAMCOUNT,
// an unknown name DISP_E_UNKNOWNNAME naming the member.
class MemberTable {
public:
    using Handler = std::function<Variant(Dispatch& object, InvokeKind kind, Args args)>;

    const Handler* find(std::u16string_view name) const;
    // Runs the member on the object; an unknown name is DISP_E_UNKNOWNNAME.
    Variant invoke(Dispatch& object, std::u16string_view member, InvokeKind kind, Args args) const;
    // A member with its own checks of kind and arguments; a second member of
    // the same name replaces the first.
    void add(std::u16string_view name, Handler handler);

protected:
    // The checks of the invocation kind and the argument count; true when a
    // property call is a put. An indexed property (Cells(row, column)) takes
    // its indexes first, and a put its value after them.
    static bool admitProperty(InvokeKind kind, Args args, size_t indexes, bool readable, bool writable);
    static void admitMethod(InvokeKind kind, Args args, size_t minArgs, size_t maxArgs);
    // A collection's Item argument as a position below `count`: an index of
    // any integer type, anything else DISP_E_TYPEMISMATCH, one out of range
    // DISP_E_BADINDEX.
    static size_t itemPosition(const Variant& index, size_t count);
    [[noreturn]] static void badIndex();
    static Variant countValue(size_t count);

private:
    struct Entry {
        std::u16string name;
        Handler handler;
    };
    std::vector<Entry> m_entries; // a handful per class: a scan beats hashing
};

// A table built for the class T, whose handlers take a T, declared once per
// class:
//   static const Members<T> table = Members<T>().property(u"Name", get).method(...);
template <typename T>
class Members : public MemberTable {
public:
    using Getter = Variant (*)(T&);
    using Setter = void (*)(T&, const Variant&);
    using Method = Variant (*)(T&, Args);
    using IndexedGetter = Variant (*)(T&, Args indexes);
    using IndexedSetter = void (*)(T&, Args indexes, const Variant& value);

    Members& property(std::u16string_view name, Getter get, Setter set = nullptr)
    {
        add(name, [get, set](Dispatch& object, InvokeKind kind, Args args) {
            if (admitProperty(kind, args, 0, true, set != nullptr)) {
                set(static_cast<T&>(object), args[0].value());
                return Variant();
            }
            return get(static_cast<T&>(object));
        });
        return *this;
    }

    // A property with index arguments; either accessor may be absent.
    Members& indexedProperty(std::u16string_view name, size_t indexes, IndexedGetter get, IndexedSetter set)
    {
        add(name, [indexes, get, set](Dispatch& object, InvokeKind kind, Args args) {
            if (admitProperty(kind, args, indexes, get != nullptr, set != nullptr)) {
                set(static_cast<T&>(object), args.first(indexes), args[indexes].value());
                return Variant();
            }
            return get(static_cast<T&>(object), args);
        });
        return *this;
    }

    Members& method(std::u16string_view name, size_t minArgs, size_t maxArgs, Method run)
    {
        add(name, [minArgs, maxArgs, run](Dispatch& object, InvokeKind kind, Args args) {
            admitMethod(kind, args, minArgs, maxArgs);
            return run(static_cast<T&>(object), args);
        });
        return *this;
    }

    using Count = size_t (*)(T&);
    using ItemAt = Variant (*)(T&, size_t position);
    using FindByName = std::optional<size_t> (*)(T&, const std::u16string& name);

    // The two members of a collection: the read-only property Count (an I4),
    // and the method Item taking a 0-based index (itemPosition) or, given
    // `find`, a name as well, whose position `find` answers; an unknown name
    // is DISP_E_BADINDEX, as an index out of range is. `itemAt` is only
    // asked for a position below the count.
    Members& collection(Count count, ItemAt itemAt, FindByName find = nullptr)
    {
        add(u"Count", [count](Dispatch& object, InvokeKind kind, Args args) {
            admitProperty(kind, args, 0, true, false);
            return countValue(count(static_cast<T&>(object)));
        });
        add(u"Item", [count, itemAt, find](Dispatch& object, InvokeKind kind, Args args) {
            admitMethod(kind, args, 1, 1);
            T& collection = static_cast<T&>(object);
            const Variant& key = args[0].value();
            size_t position = 0;
            if (find && key.type() == VarType::BStr) {
                const std::optional<size_t> found = find(collection, key.toBStr());
                if (!found || *found >= count(collection))
                    badIndex();
                position = *found;
            } else {
                position = itemPosition(key, count(collection));
            }
            return itemAt(collection, position);
        });
        return *this;
    }
};

// An automation object answered from its class's member table.
class TableObject : public Dispatch {
public:
    Variant invoke(std::u16string_view member, InvokeKind kind, Args args) override
    {
        return m_members.invoke(*this, member, kind, args);
    }
    // Whether the class has a member of that name, as GetIDsOfNames asks.
    bool hasMember(std::u16string_view name) const { return m_members.find(name) != nullptr; }

protected:
    // `members` outlives every object: the static table of the class.
    explicit TableObject(const MemberTable& members) : m_members(members) {}

private:
    const MemberTable& m_members;
};

} // namespace automation
