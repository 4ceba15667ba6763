// HashStream for a provider layer that hashes whole buffers only: the pieces
// are gathered and hashed in one HashBuffer call at the end.
#include "provider.h"

namespace ferrolok::provider {
namespace {

class BufferedHashStream final : public HashStream {
 public:
  BufferedHashStream(std::string providerName, std::int32_t providerType)
      : providerName_(std::move(providerName)), providerType_(providerType) {}
  void Update(const std::uint8_t* data, std::size_t n) override {
    buffer_.insert(buffer_.end(), data, data + n);
  }
  Bytes Finish() override {
    return HashBuffer(buffer_.data(), buffer_.size(), providerName_, providerType_);
  }

 private:
  std::string providerName_;
  std::int32_t providerType_;
  Bytes buffer_;
};

}  // namespace

std::unique_ptr<HashStream> HashStream::Create(const std::string& providerName,
                                               std::int32_t providerType) {
  // A provider that cannot be acquired hashes nothing.
  if (HashBuffer(nullptr, 0, providerName, providerType).empty()) return nullptr;
  return std::make_unique<BufferedHashStream>(providerName, providerType);
}

}  // namespace ferrolok::provider
