#include "winreg/registrar.h"

#include <cctype>
#include <cstdlib>

namespace tarvox {
namespace {

// Joins message parts (appending avoids a false -Wrestrict of g++ 12 on
// literal + string).
std::string Cat(std::string_view a, std::string_view b, std::string_view c = {}) {
    std::string s;
    s.append(a).append(b).append(c);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class Lexer {
public:
    Lexer(std::string_view text, const std::map<std::string, std::string>& repl)
        : text_(text), repl_(repl) {}

    // The next token: "{", "}", "=", a quoted or bare word; "" at the end.
    bool Next(std::string& token, bool& quoted) {
        quoted = false;
        token.clear();
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        if (pos_ >= text_.size()) return true;
        const char c = text_[pos_];
        if (c == '{') {
            if (!LooksLikeGuid()) {
                token.push_back('{');
                ++pos_;
                return true;
            }
            token.assign(text_.substr(pos_, 38));
            pos_ += 38;
            return true;
        }
        if (c == '}' || c == '=') {
            token.push_back(c);
            ++pos_;
            return true;
        }
        if (c == '\'') {
            quoted = true;
            ++pos_;
            while (true) {
                if (pos_ >= text_.size()) return Fail("unterminated string");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        token.push_back('\'');
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                token.push_back(text_[pos_++]);
            }
            return Replace(token);
        }
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
               text_[pos_] != '=' && text_[pos_] != '}' && text_[pos_] != '{')
            token.push_back(text_[pos_++]);
        return Replace(token);
    }

    const std::string& error() const { return error_; }

private:
    // A "{" that opens a GUID-like name rather than a block.
    bool LooksLikeGuid() const {
        const std::size_t close = text_.find('}', pos_);
        if (close == std::string_view::npos || close - pos_ != 37) return false;
        for (std::size_t i = pos_ + 1; i < close; ++i)
            if (!std::isxdigit(static_cast<unsigned char>(text_[i])) && text_[i] != '-')
                return false;
        return true;
    }
    bool Replace(std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] != '%') {
                out.push_back(s[i]);
                continue;
            }
            const std::size_t end = s.find('%', i + 1);
            if (end == std::string::npos) return Fail("unterminated %name%");
            const std::string name = s.substr(i + 1, end - i - 1);
            if (name.empty()) {
                out.push_back('%');
            } else {
                auto it = repl_.find(name);
                if (it == repl_.end()) return Fail(Cat("unknown replacement %", name, "%"));
                out += it->second;
            }
            i = end;
        }
        s = std::move(out);
        return true;
    }
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    std::string_view text_;
    const std::map<std::string, std::string>& repl_;
    std::size_t pos_ = 0;
    std::string error_;
};

class Parser {
public:
    Parser(std::string_view text, const std::map<std::string, std::string>& repl)
        : lex_(text, repl) {}

    std::optional<std::vector<ScriptKey>> ParseAll(std::string* error) {
        std::vector<ScriptKey> keys;
        if (!Advance() || !ParseKeys(keys, true)) {
            if (error) *error = error_.empty() ? lex_.error() : error_;
            return std::nullopt;
        }
        return keys;
    }

private:
    bool Advance() { return lex_.Next(tok_, quoted_); }
    bool Is(const char* s) const { return !quoted_ && tok_ == s; }
    bool Fail(std::string m) {
        error_ = std::move(m);
        return false;
    }

    bool ParseValue(ScriptValue& v) {
        // at the type letter
        if (quoted_) return Fail("value type expected");
        const std::string type = tok_;
        if (!Advance()) return false;
        if (SameName(type, "s")) {
            v.type = ScriptValue::Type::String;
            v.text = tok_;
        } else if (SameName(type, "d")) {
            v.type = ScriptValue::Type::Dword;
            v.dword = static_cast<std::uint32_t>(std::strtoul(tok_.c_str(), nullptr, 0));
        } else {
            return Fail(Cat("unsupported value type ", type));
        }
        return Advance();
    }

    bool ParseKeys(std::vector<ScriptKey>& keys, bool top) {
        while (true) {
            if (tok_.empty() && !quoted_) return top ? true : Fail("missing }");
            if (Is("}")) return top ? Fail("unexpected }") : true;
            ScriptKey key;
            if (!quoted_ && SameName(tok_, "NoRemove")) key.flag = ScriptKey::Flag::NoRemove;
            else if (!quoted_ && SameName(tok_, "ForceRemove")) key.flag = ScriptKey::Flag::ForceRemove;
            else if (!quoted_ && SameName(tok_, "Delete")) key.flag = ScriptKey::Flag::Delete;
            if (key.flag != ScriptKey::Flag::None && !Advance()) return false;
            if (!quoted_ && SameName(tok_, "val") && !top) {
                if (!Advance()) return false;
                std::string name = tok_;
                if (!Advance() || !Is("=")) return Fail(Cat("= expected after val ", name));
                ScriptValue v;
                if (!Advance() || !ParseValue(v)) return false;
                values_->emplace_back(std::move(name), std::move(v));
                continue;
            }
            if (tok_.empty() || Is("{") || Is("=")) return Fail("key name expected");
            key.name = tok_;
            if (!Advance()) return false;
            if (Is("=")) {
                ScriptValue v;
                if (!Advance() || !ParseValue(v)) return false;
                key.default_value = std::move(v);
            }
            if (Is("{")) {
                if (!Advance()) return false;
                auto* saved = values_;
                values_ = &key.values;
                const bool ok = ParseKeys(key.children, false);
                values_ = saved;
                if (!ok) return false;
                if (!Advance()) return false;  // past "}"
            }
            keys.push_back(std::move(key));
        }
    }

    Lexer lex_;
    std::string tok_;
    bool quoted_ = false;
    std::string error_;
    std::vector<std::pair<std::string, ScriptValue>>* values_ = nullptr;
};

bool SetValue(RegistryWriter& reg, const std::string& path, const std::string& name,
              const ScriptValue& v) {
    return v.type == ScriptValue::Type::String ? reg.SetString(path, name, v.text)
                                               : reg.SetDword(path, name, v.dword);
}

bool RegisterKey(const ScriptKey& key, const std::string& parent, RegistryWriter& reg) {
    const std::string path = parent + "\\" + key.name;
    if (key.flag == ScriptKey::Flag::Delete) {
        if (reg.KeyExists(path)) reg.DeleteKeyTree(path);
        return true;
    }
    if (key.flag == ScriptKey::Flag::ForceRemove && reg.KeyExists(path) && !reg.DeleteKeyTree(path))
        return false;
    if (!reg.CreateKey(path)) return false;
    if (key.default_value && !SetValue(reg, path, "", *key.default_value)) return false;
    for (const auto& [name, value] : key.values)
        if (!SetValue(reg, path, name, value)) return false;
    for (const ScriptKey& child : key.children)
        if (!RegisterKey(child, path, reg)) return false;
    return true;
}

bool UnregisterKey(const ScriptKey& key, const std::string& parent, RegistryWriter& reg) {
    const std::string path = parent + "\\" + key.name;
    if (!reg.KeyExists(path)) return true;
    switch (key.flag) {
        case ScriptKey::Flag::ForceRemove:
            return reg.DeleteKeyTree(path);
        case ScriptKey::Flag::NoRemove:
            for (const ScriptKey& child : key.children)
                if (!UnregisterKey(child, path, reg)) return false;
            return true;
        case ScriptKey::Flag::Delete:
            return true;
        case ScriptKey::Flag::None:
            for (const ScriptKey& child : key.children)
                if (!UnregisterKey(child, path, reg)) return false;
            // A plain key goes when no subkey is left in it.
            if (reg.HasSubkeys(path)) return true;
            return reg.DeleteKeyTree(path);
    }
    return true;
}

}  // namespace

std::string RootKeyName(std::string_view name) {
    struct Root {
        const char* s;
        const char* full;
    };
    constexpr Root roots[] = {{"HKCR", "HKEY_CLASSES_ROOT"},
                              {"HKLM", "HKEY_LOCAL_MACHINE"},
                              {"HKCU", "HKEY_CURRENT_USER"},
                              {"HKU", "HKEY_USERS"},
                              {"HKCC", "HKEY_CURRENT_CONFIG"}};
    for (const Root& r : roots)
        if (SameName(name, r.s) || SameName(name, r.full)) return r.full;
    return {};
}

std::optional<std::vector<ScriptKey>> ParseRegistrationScript(
    std::string_view script, const std::map<std::string, std::string>& replacements,
    std::string* error) {
    Parser parser(script, replacements);
    auto keys = parser.ParseAll(error);
    if (!keys) return std::nullopt;
    for (const ScriptKey& root : *keys) {
        if (RootKeyName(root.name).empty()) {
            if (error) *error = Cat("unknown root key ", root.name);
            return std::nullopt;
        }
    }
    return keys;
}

bool RegisterScript(const std::vector<ScriptKey>& roots, RegistryWriter& registry) {
    for (const ScriptKey& root : roots) {
        const std::string path = RootKeyName(root.name);
        for (const ScriptKey& child : root.children)
            if (!RegisterKey(child, path, registry)) return false;
    }
    return true;
}

bool UnregisterScript(const std::vector<ScriptKey>& roots, RegistryWriter& registry) {
    for (const ScriptKey& root : roots) {
        const std::string path = RootKeyName(root.name);
        for (const ScriptKey& child : root.children)
            if (!UnregisterKey(child, path, registry)) return false;
    }
    return true;
}

}  // namespace tarvox
