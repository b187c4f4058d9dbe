#include "fuzz/mutator.h"

#include <string.h>

namespace {

const uint8_t kBytes[] = {0, 1, 0x7F, 0x80, 0xFF, '\r', '\n', '"', '-', '=', ' ', '<', '>', '\\', '[', ']', 0xFE};

uint32_t InterestingWord(Random& random, size_t size) {
    const uint32_t words[] = {0,          1,          13,         0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                              0xFFFFFFFE, 0x20000000, 0x10000,    0xFFFF,     0x7FFFFFF0, (uint32_t)size,
                              (uint32_t)size - 24,    (uint32_t)size + 1};
    if (random.OneIn(4)) return random.Below(256);
    return words[random.Below(sizeof words / sizeof words[0])];
}

void MutateOnce(Bytes& data, Random& random, const std::vector<Bytes>& pool, const std::vector<std::string>& tokens,
                size_t maxSize) {
    size_t size = data.size();
    switch (random.Below(9)) {
        case 0:
            if (size) data[random.Below((uint32_t)size)] ^= (uint8_t)(1u << random.Below(8));
            break;
        case 1:
            if (size) data[random.Below((uint32_t)size)] = (uint8_t)random.Next();
            break;
        case 2:
            if (size) data[random.Below((uint32_t)size)] = kBytes[random.Below(sizeof kBytes)];
            break;
        case 3:
            if (size >= 4) {
                uint32_t at = random.Below((uint32_t)size - 3);
                uint32_t v = InterestingWord(random, size);
                for (int i = 0; i < 4; i++) data[at + i] = (uint8_t)(v >> (8 * i));
            }
            break;
        case 4:
            if (size) {
                uint32_t at = random.Below((uint32_t)size);
                uint32_t n = 1 + random.Below((uint32_t)(size - at < 64 ? size - at : 64));
                data.erase(data.begin() + at, data.begin() + at + n);
            }
            break;
        case 5: {
            uint32_t at = random.Below((uint32_t)size + 1);
            uint32_t n = 1 + random.Below(16);
            Bytes fill(n);
            for (auto& b : fill) b = random.OneIn(2) ? kBytes[random.Below(sizeof kBytes)] : (uint8_t)random.Next();
            data.insert(data.begin() + at, fill.begin(), fill.end());
            break;
        }
        case 6:
            // A block repeated many times: long lines, many placeholders,
            // many records of one name.
            if (size) {
                uint32_t at = random.Below((uint32_t)size);
                uint32_t n = 1 + random.Below((uint32_t)(size - at < 32 ? size - at : 32));
                Bytes block(data.begin() + at, data.begin() + at + n);
                uint32_t times = 1 + random.Below(random.OneIn(8) ? 256 : 8);
                for (uint32_t i = 0; i < times && data.size() + n <= maxSize; i++)
                    data.insert(data.begin() + at, block.begin(), block.end());
            }
            break;
        case 7:
            if (!pool.empty()) {
                const Bytes& other = pool[random.Below((uint32_t)pool.size())];
                if (other.empty()) break;
                uint32_t from = random.Below((uint32_t)other.size());
                uint32_t n = 1 + random.Below((uint32_t)(other.size() - from));
                uint32_t at = random.Below((uint32_t)size + 1);
                if (random.OneIn(2)) data.resize(at);
                data.insert(data.begin() + (at < data.size() ? at : data.size()), other.begin() + from,
                            other.begin() + from + n);
            }
            break;
        default:
            if (!tokens.empty()) {
                const std::string& token = tokens[random.Below((uint32_t)tokens.size())];
                uint32_t at = random.Below((uint32_t)size + 1);
                data.insert(data.begin() + at, token.begin(), token.end());
            }
            break;
    }
}

}  // namespace

uint32_t Random::Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return (uint32_t)((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

void Mutate(Bytes& data, Random& random, const std::vector<Bytes>& pool, const std::vector<std::string>& tokens,
            size_t maxSize) {
    uint32_t rounds = 1 + random.Below(4);
    for (uint32_t i = 0; i < rounds; i++) MutateOnce(data, random, pool, tokens, maxSize);
    if (data.size() > maxSize) data.resize(maxSize);
}
