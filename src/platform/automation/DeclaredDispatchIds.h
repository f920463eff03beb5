#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

// An object served to other programs whose members have dispatch
// identifiers of their own, as the type library of the program it stands in
// for fixes them. A client that binds a member by its identifier (a cached
// identifier, early binding, an interop assembly) reaches the member it was
// built against; a client that looks the name up gets the same identifier.
// Members the object does not declare get identifiers as they are asked for,
// never one of the declared ones.
class DeclaredDispatchIds {
public:
    // The identifier declared for the member `name` (ASCII letters in either
    // case), if any.
    virtual std::optional<int32_t> declaredDispatchId(std::u16string_view name) const = 0;
    // The member declared under `id`, if any.
    virtual std::optional<std::u16string> memberWithDispatchId(int32_t id) const = 0;

protected:
    ~DeclaredDispatchIds() = default;
};

} // namespace automation
