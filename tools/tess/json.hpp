// A small JSON value for the tool's --json output.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tess {

class Json {
public:
    using Array = std::vector<Json>;
    using Member = std::pair<std::string, Json>;
    using Object = std::vector<Member>;  // keeps the order members were added in

    Json() = default;  // null
    Json(std::nullptr_t) {}
    Json(bool value) : value_(value) {}
    Json(int value) : value_(std::int64_t{value}) {}
    Json(unsigned value) : value_(std::int64_t{value}) {}
    Json(std::int64_t value) : value_(value) {}
    Json(double value) : value_(value) {}
    Json(const char *text) : value_(std::string(text)) {}
    Json(std::string text) : value_(std::move(text)) {}
    Json(Array items) : value_(std::move(items)) {}
    Json(Object members) : value_(std::move(members)) {}

    static Json object(std::initializer_list<Member> members = {}) { return Json(Object(members)); }
    static Json array(std::initializer_list<Json> items = {}) { return Json(Array(items)); }
    template <class Range>
    static Json array_of(const Range &range) {
        Array items;
        for (const auto &item : range) {
            items.emplace_back(item);
        }
        return Json(std::move(items));
    }

    // Adds a member to an object (replacing a null value by an empty object).
    Json &set(std::string key, Json value);
    // Appends to an array (replacing a null value by an empty array).
    Json &push(Json value);
    // The member `key` of an object; null when there is none.
    [[nodiscard]] const Json *member(const std::string &key) const;
    // The member `key` of an object, added with `value` when missing.
    Json &member_or_set(const std::string &key, Json value);

    // Compact text, one line.
    [[nodiscard]] std::string dump() const;

private:
    void write(std::string &out) const;

    std::variant<std::nullptr_t, bool, std::int64_t, double, std::string, Array, Object> value_;
};

// The JSON string literal of `text`, quotes included.
std::string json_quote(const std::string &text);

}  // namespace tess
