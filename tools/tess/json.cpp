#include "json.hpp"

#include <cmath>
#include <cstdio>

namespace tess {

std::string json_quote(const std::string &text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    char escaped[8];
                    (void)std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned{byte});
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

Json &Json::set(std::string key, Json value) {
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        value_ = Object{};
    }
    std::get<Object>(value_).emplace_back(std::move(key), std::move(value));
    return *this;
}

Json &Json::push(Json value) {
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        value_ = Array{};
    }
    std::get<Array>(value_).push_back(std::move(value));
    return *this;
}

const Json *Json::member(const std::string &key) const {
    if (const auto *members = std::get_if<Object>(&value_)) {
        for (const Member &member : *members) {
            if (member.first == key) {
                return &member.second;
            }
        }
    }
    return nullptr;
}

Json &Json::member_or_set(const std::string &key, Json value) {
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        value_ = Object{};
    }
    auto &members = std::get<Object>(value_);
    for (Member &member : members) {
        if (member.first == key) {
            return member.second;
        }
    }
    members.emplace_back(key, std::move(value));
    return members.back().second;
}

std::string Json::dump() const {
    std::string out;
    write(out);
    return out;
}

void Json::write(std::string &out) const {
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        out += "null";
    } else if (const auto *flag = std::get_if<bool>(&value_)) {
        out += *flag ? "true" : "false";
    } else if (const auto *integer = std::get_if<std::int64_t>(&value_)) {
        out += std::to_string(*integer);
    } else if (const auto *real = std::get_if<double>(&value_)) {
        if (!std::isfinite(*real)) {
            out += "null";
        } else {
            char text[32];
            (void)std::snprintf(text, sizeof text, "%.10g", *real);
            out += text;
        }
    } else if (const auto *text = std::get_if<std::string>(&value_)) {
        out += json_quote(*text);
    } else if (const auto *items = std::get_if<Array>(&value_)) {
        out += '[';
        for (std::size_t i = 0; i < items->size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            (*items)[i].write(out);
        }
        out += ']';
    } else {
        const auto &members = std::get<Object>(value_);
        out += '{';
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            out += json_quote(members[i].first);
            out += ':';
            members[i].second.write(out);
        }
        out += '}';
    }
}

}  // namespace tess
