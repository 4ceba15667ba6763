#include "registry_script.h"

#include <cctype>

namespace ferrolok::com {
namespace {

bool sameIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return i == a.size() && !b[i];
}

std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  std::vector<RegistryScript::Key> script() {
    std::vector<RegistryScript::Key> keys;
    for (;;) {
      const Token root = next();
      if (root.kind == Token::End) return keys;
      if (root.kind != Token::Word || !(sameIgnoringCase(root.text, "HKCR") ||
                                        sameIgnoringCase(root.text, "HKEY_CLASSES_ROOT")))
        fail("a root key (HKCR) expected, not \"" + root.text + "\"");
      expect('{');
      block(keys);
    }
  }

 private:
  struct Token {
    enum Kind { End, Word, Quoted, Symbol } kind = End;
    std::string text;
  };

  [[noreturn]] void fail(const std::string& why) const {
    throw ScriptError("registration script, line " + std::to_string(line_) + ": " + why);
  }

  Token next() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
    Token t;
    if (pos_ >= text_.size()) return t;
    const char c = text_[pos_];
    // A brace that opens or closes a block stands apart; one inside a name
    // ("{6C76F12F-...}") is part of it.
    const bool apart =
        pos_ + 1 >= text_.size() || std::isspace(static_cast<unsigned char>(text_[pos_ + 1]));
    if (((c == '{' || c == '}') && apart) || c == '=') {
      t.kind = Token::Symbol;
      t.text = c;
      ++pos_;
      return t;
    }
    if (c == '\'') {
      t.kind = Token::Quoted;
      for (++pos_;; ++pos_) {
        if (pos_ >= text_.size()) fail("a quoted text is not closed");
        if (text_[pos_] == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            t.text += '\'';
            ++pos_;
            continue;
          }
          ++pos_;
          return t;
        }
        if (text_[pos_] == '\n') ++line_;
        t.text += text_[pos_];
      }
    }
    t.kind = Token::Word;
    while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
           text_[pos_] != '=' && text_[pos_] != '\'')
      t.text += text_[pos_++];
    return t;
  }

  Token peek() {
    const std::size_t pos = pos_;
    const int line = line_;
    Token t = next();
    pos_ = pos;
    line_ = line;
    return t;
  }

  void expect(char symbol) {
    const Token t = next();
    if (t.kind != Token::Symbol || t.text[0] != symbol)
      fail(std::string("\"") + symbol + "\" expected, not \"" + t.text + "\"");
  }

  bool nextIs(char symbol) {
    const Token t = peek();
    return t.kind == Token::Symbol && t.text[0] == symbol;
  }

  // "= s 'text'"
  std::wstring stringValue() {
    expect('=');
    const Token type = next();
    if (type.kind != Token::Word || !sameIgnoringCase(type.text, "s"))
      fail("only string values (s) are known, not \"" + type.text + "\"");
    const Token value = next();
    if (value.kind != Token::Quoted) fail("a quoted value expected");
    return widen(value.text);
  }

  // Keys and values up to the closing brace.
  void block(std::vector<RegistryScript::Key>& keys, RegistryScript::Key* owner = nullptr) {
    for (;;) {
      Token t = next();
      if (t.kind == Token::End) fail("\"}\" missing at the end");
      if (t.kind == Token::Symbol && t.text == "}") return;
      if (t.kind == Token::Word && sameIgnoringCase(t.text, "val")) {
        if (!owner) fail("a named value needs a key");
        const Token name = next();
        if (name.kind != Token::Word && name.kind != Token::Quoted) fail("a value name expected");
        owner->values.emplace_back(widen(name.text), stringValue());
        continue;
      }
      RegistryScript::Key key;
      for (;;) {
        if (t.kind == Token::Word && sameIgnoringCase(t.text, "NoRemove"))
          key.noRemove = true;
        else if (t.kind == Token::Word && sameIgnoringCase(t.text, "ForceRemove"))
          key.forceRemove = true;
        else
          break;
        t = next();
      }
      if ((t.kind != Token::Word && t.kind != Token::Quoted) || t.text.empty())
        fail("a key name expected, not \"" + t.text + "\"");
      key.name = widen(t.text);
      if (nextIs('=')) key.value = stringValue();
      if (nextIs('{')) {
        next();
        block(key.keys, &key);
      }
      keys.push_back(std::move(key));
    }
  }

  const std::string& text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

std::wstring expand(const std::wstring& s, const std::map<std::wstring, std::wstring>& variables) {
  std::wstring out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::size_t end = s[i] == L'%' ? s.find(L'%', i + 1) : std::wstring::npos;
    if (end == std::wstring::npos) {
      out += s[i];
      continue;
    }
    const std::wstring name = s.substr(i + 1, end - i - 1);
    if (name.empty()) {
      out += L'%';
    } else {
      const auto found = variables.find(name);
      out += found != variables.end() ? found->second : s.substr(i, end - i + 1);
    }
    i = end;
  }
  return out;
}

std::wstring join(const std::wstring& parent, const std::wstring& name) {
  return parent.empty() ? name : parent + L'\\' + name;
}

long applyKeys(const std::vector<RegistryScript::Key>& keys, const std::wstring& parent,
               RegistryTarget& target, const std::map<std::wstring, std::wstring>& variables) {
  for (const RegistryScript::Key& k : keys) {
    const std::wstring path = join(parent, k.name);
    long err = 0;
    if (k.forceRemove) err = target.deleteTree(path);
    if (!err) err = target.createKey(path);
    if (!err && k.value) err = target.setValue(path, L"", expand(*k.value, variables));
    for (std::size_t i = 0; !err && i < k.values.size(); ++i)
      err = target.setValue(path, k.values[i].first, expand(k.values[i].second, variables));
    if (!err) err = applyKeys(k.keys, path, target, variables);
    if (err) return err;
  }
  return 0;
}

long removeKeys(const std::vector<RegistryScript::Key>& keys, const std::wstring& parent,
                RegistryTarget& target) {
  long first = 0;
  for (const RegistryScript::Key& k : keys) {
    const std::wstring path = join(parent, k.name);
    const long err = k.noRemove ? removeKeys(k.keys, path, target) : target.deleteTree(path);
    if (!first) first = err;
  }
  return first;
}

}  // namespace

RegistryScript RegistryScript::parse(const std::string& text) {
  RegistryScript s;
  s.keys_ = Parser(text).script();
  return s;
}

long RegistryScript::apply(RegistryTarget& target,
                           const std::map<std::wstring, std::wstring>& variables) const {
  return applyKeys(keys_, L"", target, variables);
}

long RegistryScript::remove(RegistryTarget& target) const { return removeKeys(keys_, L"", target); }

}  // namespace ferrolok::com
