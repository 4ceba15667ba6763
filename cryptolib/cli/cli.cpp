#include "cli.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "ferrolok/ferrolok.h"

namespace ferrolok::cli {
namespace {

constexpr const char* kHelp =
    R"(Usage: ferrolok encrypt|decrypt|hash INPUT [OPTIONS]
       ferrolok demo
       ferrolok --help

Encrypts, decrypts (RC2 under a key derived from the MD5 of the password) and
hashes (MD5) through the Ferrolok classes, byte for byte as the Windows
cryptographic providers do.

Commands:
  encrypt   EncryptString (--text, --hex) or EncryptFile (--file)
  decrypt   DecryptData (--hex) or DecryptFile (--file)
  hash      CreateStringHash (--text, --hex) or CreateFileHash (--file)
  demo      encrypts and decrypts a sample line with the password "plumb"

Input (exactly one):
  --text TEXT         UTF-8 text, passed to the class as UTF-16; the library
                      uses the low byte of each UTF-16 code unit
  --hex HEX           raw bytes: for encrypt and hash each byte becomes one
                      character U+0000..U+00FF; for decrypt they are the Data
                      array. HEX is continuous pairs ("b56cad") or groups
                      separated by blanks ("B5 6C AD", "90 1 50")
  --file PATH         the whole content of a file

Options:
  --password TEXT     the password as UTF-8 text (default: empty)
  --password-hex HEX  the password's bytes, each one character U+0000..U+00FF;
                      the password ends at its first zero byte
  --provider NAME     cryptographic provider (default: "Microsoft Base
                      Cryptographic Provider v1.0"; also "Microsoft Enhanced
                      Cryptographic Provider v1.0", "Microsoft Strong
                      Cryptographic Provider")
  --provider-type N   provider type, -32768..32767 (default: 1)
  --out PATH          encrypt and decrypt only: also write the result to PATH
                      (DestinationFile = PATH, SaveToFile = 1; otherwise
                      SaveToFile = 0); a PATH that exists as anything but a
                      regular file (a pipe, a device, a folder) is refused
  --format FORMAT     hex      lower-case continuous hex and a newline (default)
                      hextext  upper-case hex without leading zeros, separated
                               by blanks, and a newline ("90 1 50 98")
                      raw      the bytes themselves
  --help              this text

Exit status:
  0  the result was printed
  1  the output could not be written, or --out names a pipe, a device or a
     folder: nothing is done then, why on stderr
  2  usage error (message on stderr)
  3  the result was left untouched (empty --text or --hex for encrypt and hash,
     empty or unreadable --file, a --file that is not a regular file such as
     a pipe or a device): nothing is printed; for a file, why on stderr
  4  the result is an empty byte array (unknown provider or type, failed
     decryption): an empty line is printed (nothing with --format raw)
)";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { Encrypt, Decrypt, Hash, Demo };
enum class InputKind { None, Text, Hex, File };
enum class Format { Hex, HexText, Raw };

struct Options {
  bool help = false;
  Command command = Command::Demo;
  InputKind inputKind = InputKind::None;
  std::string input;
  std::optional<BString> password;
  std::optional<BString> provider;
  std::optional<std::int16_t> providerType;
  std::optional<std::string> out;
  Format format = Format::Hex;
};

// UTF-8 to UTF-16; malformed input is a usage error.
std::u16string fromUtf8(std::string_view s, const char* what) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80             ? 0
                : (b & 0xE0) == 0xC0 ? 1
                : (b & 0xF0) == 0xE0 ? 2
                : (b & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || (extra > 0 && i + extra >= s.size()))
      throw UsageError(std::string(what) + " is not valid UTF-8");
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) throw UsageError(std::string(what) + " is not valid UTF-8");
      c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      throw UsageError(std::string(what) + " is not valid UTF-8");
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += extra + 1;
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Continuous hex pairs, or groups of one or two digits separated by blanks.
Bytes parseHex(std::string_view s, const char* what) {
  const auto bad = [&] {
    return UsageError(std::string(what) + " is not hex: \"" + std::string(s) + "\"");
  };
  Bytes out;
  bool grouped = false;
  for (char c : s) grouped = grouped || isBlank(c);
  if (!grouped) {
    if (s.size() % 2 != 0) throw bad();
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size(); i += 2) {
      const int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
      if (hi < 0 || lo < 0) throw bad();
      out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return out;
  }
  for (std::size_t i = 0; i < s.size();) {
    if (isBlank(s[i])) {
      ++i;
      continue;
    }
    int value = 0, digits = 0;
    for (; i < s.size() && !isBlank(s[i]); ++i, ++digits) {
      const int d = hexDigit(s[i]);
      if (d < 0 || digits == 2) throw bad();
      value = value << 4 | d;
    }
    out.push_back(static_cast<std::uint8_t>(value));
  }
  return out;
}

// Bytes as the characters U+0000..U+00FF, one per byte.
std::u16string latin1(const Bytes& b) { return std::u16string(b.begin(), b.end()); }

std::int16_t parseProviderType(std::string_view s) {
  int v = 0;
  const char* first = s.data();
  if (!s.empty() && s[0] == '+') ++first;
  const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || v < INT16_MIN ||
      v > INT16_MAX)
    throw UsageError("--provider-type needs a whole number from -32768 to 32767, not \"" +
                     std::string(s) + "\"");
  return static_cast<std::int16_t>(v);
}

Options parse(const std::vector<std::string>& args) {
  Options o;
  if (args.empty()) throw UsageError("a command is needed");
  const std::string& cmd = args[0];
  if (cmd == "--help" || cmd == "-h") {
    o.help = true;
    return o;
  }
  if (cmd == "encrypt") {
    o.command = Command::Encrypt;
  } else if (cmd == "decrypt") {
    o.command = Command::Decrypt;
  } else if (cmd == "hash") {
    o.command = Command::Hash;
  } else if (cmd == "demo") {
    o.command = Command::Demo;
  } else {
    throw UsageError("unknown command \"" + cmd + "\"");
  }

  bool passwordSeen = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const auto takeValue = [&]() -> std::string {
      if (value) return *value;
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    if (name == "--help" || name == "-h") {
      o.help = true;
      return o;
    }
    if (o.command == Command::Demo) throw UsageError("demo takes no options");

    if (name == "--text" || name == "--hex" || name == "--file") {
      if (o.inputKind != InputKind::None)
        throw UsageError("only one of --text, --hex and --file may be given");
      o.inputKind = name == "--text"  ? InputKind::Text
                    : name == "--hex" ? InputKind::Hex
                                      : InputKind::File;
      o.input = takeValue();
    } else if (name == "--password" || name == "--password-hex") {
      if (passwordSeen) throw UsageError("only one of --password and --password-hex may be given");
      passwordSeen = true;
      const std::string v = takeValue();
      o.password =
          name == "--password" ? fromUtf8(v, "--password") : latin1(parseHex(v, "--password-hex"));
    } else if (name == "--provider") {
      o.provider = fromUtf8(takeValue(), "--provider");
    } else if (name == "--provider-type") {
      o.providerType = parseProviderType(takeValue());
    } else if (name == "--out") {
      o.out = takeValue();
    } else if (name == "--format") {
      const std::string v = takeValue();
      if (v == "hex") {
        o.format = Format::Hex;
      } else if (v == "hextext") {
        o.format = Format::HexText;
      } else if (v == "raw") {
        o.format = Format::Raw;
      } else {
        throw UsageError("--format is hex, hextext or raw, not \"" + v + "\"");
      }
    } else {
      throw UsageError("unknown option \"" + args[i] + "\"");
    }
  }

  if (o.command == Command::Demo) return o;
  if (o.inputKind == InputKind::None) throw UsageError(cmd + " needs --text, --hex or --file");
  if (o.command == Command::Decrypt && o.inputKind == InputKind::Text)
    throw UsageError("decrypt takes its ciphertext with --hex or --file");
  if (o.command == Command::Hash && o.out)
    throw UsageError("hash writes no file: --out is for encrypt and decrypt");
  return o;
}

void setCommon(Object& obj, const Options& o) {
  if (o.password) obj.setPassword(*o.password);
  if (o.provider) obj.setProvider(*o.provider);
  if (o.providerType) obj.setProviderType(*o.providerType);
}

void setSaving(SavingObject& obj, const Options& o) {
  setCommon(obj, o);
  obj.setSaveToFile(o.out ? 1 : 0);
  if (o.out) obj.setDestinationFile(fromUtf8(*o.out, "--out"));
}

// The input of the string classes: --text as UTF-16, --hex one character a byte.
BString stringInput(const Options& o) {
  return o.inputKind == InputKind::Text ? fromUtf8(o.input, "--text")
                                        : latin1(parseHex(o.input, "--hex"));
}

Result execute(const Options& o) {
  const bool file = o.inputKind == InputKind::File;
  switch (o.command) {
    case Command::Encrypt:
      if (file) {
        EncryptFile e;
        setSaving(e, o);
        e.setFileName(fromUtf8(o.input, "--file"));
        return e.Encrypt();
      } else {
        EncryptString e;
        setSaving(e, o);
        e.setInput(stringInput(o));
        return e.Encrypt();
      }
    case Command::Decrypt:
      if (file) {
        DecryptFile d;
        setSaving(d, o);
        d.setFileName(fromUtf8(o.input, "--file"));
        return d.Decrypt();
      } else {
        DecryptData d;
        setSaving(d, o);
        d.setData(ByteArray{0, parseHex(o.input, "--hex")});
        return d.Decrypt();
      }
    case Command::Hash:
      if (file) {
        CreateFileHash h;
        setCommon(h, o);
        h.setFileName(fromUtf8(o.input, "--file"));
        return h.Hash();
      } else {
        CreateStringHash h;
        setCommon(h, o);
        h.setInput(stringInput(o));
        return h.Hash();
      }
    case Command::Demo:
      break;
  }
  return std::nullopt;
}

bool write(std::FILE* f, std::string_view s) {
  return s.empty() || std::fwrite(s.data(), 1, s.size(), f) == s.size();
}

// Writes `b` as text a piece at a time, so that a large result needs no text
// copy of its full size: lower-case continuous hex, or the hex text of the
// controller's files ("90 1 50 98"); then a newline.
bool writeHex(const Bytes& b, Format format, std::FILE* out) {
  static constexpr char kLower[] = "0123456789abcdef";
  static constexpr char kUpper[] = "0123456789ABCDEF";
  constexpr std::size_t kPiece = 64 * 1024;
  std::string s;
  s.reserve(kPiece * 3 + 1);
  for (std::size_t i = 0; i < b.size(); ++i) {
    const std::uint8_t x = b[i];
    if (format == Format::Hex) {
      s += kLower[x >> 4];
      s += kLower[x & 15];
    } else {
      if (i > 0) s += ' ';
      if (x >= 16) s += kUpper[x >> 4];
      s += kUpper[x & 15];
    }
    if (s.size() >= kPiece * 2) {
      if (!write(out, s)) return false;
      s.clear();
    }
  }
  s += '\n';
  return write(out, s);
}

std::string hexText(const Bytes& b) {
  std::string s;
  for (std::size_t i = 0; i < b.size(); ++i) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (i > 0) s += ' ';
    if (b[i] >= 16) s += kDigits[b[i] >> 4];
    s += kDigits[b[i] & 15];
  }
  return s;
}

int print(const Bytes& b, Format format, std::FILE* out) {
  bool ok = format == Format::Raw ? b.empty() || std::fwrite(b.data(), 1, b.size(), out) == b.size()
                                  : writeHex(b, format, out);
  ok = std::fflush(out) == 0 && ok;
  return ok ? kOk : kFailure;
}

// Why the file of --file gave no result, for the message on stderr.
std::string unreadable(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return "cannot open " + path + ": " + std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return path + " is not a regular file";
  return "cannot read " + path;
}

// Why the target of --out is refused before anything is done: it exists as
// anything but a regular file (the library would not write it, and a FIFO
// must not make the tool wait). Empty when it may be written.
std::string refusedTarget(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  return "--out " + path + " is not a regular file: nothing written";
}

// Whether `path` holds exactly `bytes`. The classes write their result to
// DestinationFile without saying when that fails (a missing folder, a full
// disk, no permission): the tool reads the file back to know.
bool holds(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  Bytes got;
  unsigned char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) got.insert(got.end(), buf, buf + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok && got == bytes;
}

// Encrypts and decrypts a sample line with the password the viewer uses.
int demo(std::FILE* out) {
  const std::u16string line = u"5/3/2004 9:05:07, Operator 1, Batch 42 released";
  const std::u16string password = u"plumb";

  EncryptString e;
  e.setSaveToFile(0);
  e.setPassword(password);
  e.setInput(line);
  const Result cipher = e.Encrypt();

  DecryptData d;
  d.setSaveToFile(0);
  d.setPassword(password);
  d.setData(ByteArray{0, cipher.value_or(Bytes())});
  const Result plain = d.Decrypt();

  CreateStringHash h;
  h.setInput(line);
  const Result digest = h.Hash();

  const std::string text(line.begin(), line.end());
  const std::string back = plain ? std::string(plain->begin(), plain->end()) : std::string();
  const bool same = cipher && !cipher->empty() && back == text;
  std::string s = "Ferrolok: RC2 under the MD5 of the password, as the Windows providers do it\n";
  s += "provider  : " + NarrowString(e.Provider()) + ", type " + std::to_string(e.ProviderType()) +
       "\n";
  s += "password  : plumb\n";
  s += "plaintext : " + text + "\n";
  s += "ciphertext: " + hexText(cipher.value_or(Bytes())) + "\n";
  s += "decrypted : " + back + "\n";
  s += "round trip: " + std::string(same ? "ok" : "FAILED") + "\n";
  s += "MD5       : " + hexText(digest.value_or(Bytes())) + "\n";
  if (!write(out, s) || std::fflush(out) != 0) return kFailure;
  return same ? kOk : kFailure;
}

}  // namespace

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  try {
    const Options o = parse(args);
    if (o.help) return write(out, kHelp) && std::fflush(out) == 0 ? kOk : kFailure;
    if (o.command == Command::Demo) return demo(out);
    if (o.out) {
      if (const std::string why = refusedTarget(*o.out); !why.empty()) {
        std::fprintf(err, "ferrolok: %s\n", why.c_str());
        return kFailure;
      }
    }
    const Result r = execute(o);
    if (!r) {
      // An empty --file is the guard's case, as empty --text is; a file that
      // cannot be read is worth saying.
      if (o.inputKind == InputKind::File && !o.input.empty())
        std::fprintf(err, "ferrolok: %s\n", unreadable(o.input).c_str());
      return kUntouched;
    }
    if (o.out && !holds(*o.out, *r)) {
      std::fprintf(err, "ferrolok: --out %s could not be written\n", o.out->c_str());
      return kFailure;
    }
    const int rc = print(*r, o.format, out);
    if (rc != kOk) return rc;
    return r->empty() ? kEmpty : kOk;
  } catch (const UsageError& e) {
    std::fprintf(err, "ferrolok: %s\nTry 'ferrolok --help' for more information.\n", e.what());
    return kUsage;
  }
}

}  // namespace ferrolok::cli
