// The bulk build's key sort against a plain model (std::stable_sort on key
// bytes, then record number, then batch position) over key shapes that take
// each of its paths: packed keys of 32 bits or less, of up to 64 bits, keys
// that need several 64-bit groups, keys whose bytes are sorted as they are,
// constant and single-valued byte positions,
// bytes above 0x7F, duplicates, unsorted record numbers and tiny batches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "NtxKeySort.h"

namespace mx::rt::ntx {
namespace {

struct Batch {
    int keySize = 0;
    std::vector<char> keys;
    std::vector<std::uint32_t> recnos;
    std::size_t size() const { return recnos.size(); }
};

std::vector<std::uint32_t> modelOrder(const Batch& b) {
    std::vector<std::uint32_t> order(b.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto ks = static_cast<std::size_t>(b.keySize);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        int c = std::memcmp(b.keys.data() + x * ks, b.keys.data() + y * ks, ks);
        if (c != 0) return c < 0;
        return b.recnos[x] < b.recnos[y];
    });
    return order;
}

void expectModelOrder(const Batch& b, const char* what) {
    KeyOrder order(b.keys.data(), b.recnos.data(), b.size(), b.keySize);
    std::vector<std::uint32_t> got(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) got[i] = order[i];
    EXPECT_TRUE(got == modelOrder(b)) << what << ": " << b.size() << " keys of " << b.keySize << " bytes";
}

// n keys; byte j of each key drawn by gen(rng, j).
template <class Gen>
Batch makeBatch(std::size_t n, int keySize, std::mt19937& rng, Gen gen) {
    Batch b;
    b.keySize = keySize;
    b.keys.resize(n * static_cast<std::size_t>(keySize));
    for (std::size_t i = 0; i < n; ++i) {
        for (int j = 0; j < keySize; ++j) b.keys[i * static_cast<std::size_t>(keySize) + static_cast<std::size_t>(j)] = gen(rng, j);
        b.recnos.push_back(static_cast<std::uint32_t>(i + 1));
    }
    return b;
}

TEST(NtxKeySort, DigitCodesPackIntoOneWord) {
    std::mt19937 rng(1);
    for (std::size_t n : {0u, 1u, 2u, 31u, 33u, 5000u, 100000u}) {
        Batch b = makeBatch(n, 10, rng, [](std::mt19937& r, int j) { return j < 2 ? '0' : char('0' + r() % 10); });
        expectModelOrder(b, "C10 digit codes");
    }
}

TEST(NtxKeySort, NumericKeysWithSignsAndAFixedPoint) {
    std::mt19937 rng(2);
    Batch b;
    b.keySize = 10;
    for (std::uint32_t r = 1; r <= 50000; ++r) {
        // STR(n,10,2) made sortable, as KeyEncoding does; many duplicates.
        double v = static_cast<double>(static_cast<int>(rng() % 20001) - 10000) / 4.0;
        char text[16];
        std::snprintf(text, sizeof text, "%10.2f", v);
        for (int i = 0; i < 10 && text[i] == ' '; ++i) text[i] = '0';
        if (char* minus = std::strchr(text, '-')) {
            *minus = '0';
            for (int i = 0; i < 10; ++i)
                if (text[i] >= '0' && text[i] <= '9') text[i] = static_cast<char>(0x2C - (text[i] - '0'));
        }
        b.keys.insert(b.keys.end(), text, text + 10);
        b.recnos.push_back(r);
    }
    expectModelOrder(b, "numeric keys");
}

TEST(NtxKeySort, WideKeysNeedSeveralGroups) {
    std::mt19937 rng(3);
    // 40 letters: far more than 64 bits of ranks; few distinct leading parts
    // so that long runs go on to the later groups.
    Batch names = makeBatch(60000, 40, rng, [](std::mt19937& r, int j) {
        if (j < 14) return char('A' + r() % 2);
        return j % 7 == 0 ? ' ' : char('A' + r() % 26);
    });
    expectModelOrder(names, "40-byte names");
    // Every byte value, 0x00 and above 0x7F included.
    Batch bytes = makeBatch(30000, 24, rng, [](std::mt19937& r, int j) { return static_cast<char>(r() % (j < 20 ? 3 : 256)); });
    expectModelOrder(bytes, "raw bytes");
    Batch longest = makeBatch(3000, 256, rng, [](std::mt19937& r, int j) { return j == 255 ? char('a' + r() % 3) : char(' ' + r() % 2); });
    expectModelOrder(longest, "256-byte keys");
}

TEST(NtxKeySort, VariedLeadingBytesSortAsTheyAre) {
    // Names of random letters: the first 8 bytes are varied enough that the
    // bytes are sorted as they are, 8 at a time. A pool of 1 000 prefixes
    // makes long runs of equal first groups, sorted on the next bytes.
    std::mt19937 rng(6);
    std::vector<std::string> pool(1000);
    for (auto& p : pool)
        for (int j = 0; j < 8; ++j) p += static_cast<char>('A' + rng() % 26);
    for (int keySize : {8, 20, 24}) {
        Batch b;
        b.keySize = keySize;
        for (std::uint32_t r = 1; r <= 60000; ++r) {
            std::string k = pool[rng() % pool.size()];
            for (int j = 8; j < keySize; ++j) k += static_cast<char>(j % 5 == 0 ? ' ' : 'a' + rng() % 3);
            b.keys.insert(b.keys.end(), k.begin(), k.end());
            b.recnos.push_back(r);
        }
        expectModelOrder(b, "random-letter names");
    }
    Batch letters = makeBatch(100000, 10, rng, [](std::mt19937& r, int) { return char('A' + r() % 26); });
    expectModelOrder(letters, "random letters");
}

TEST(NtxKeySort, EqualKeysFollowRecordNumbersEvenWhenTheBatchIsNot) {
    std::mt19937 rng(4);
    Batch b = makeBatch(40000, 12, rng, [](std::mt19937& r, int j) { return j == 5 ? char('a' + r() % 3) : 'x'; });
    std::vector<std::uint32_t> shuffled(b.recnos);
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    b.recnos = shuffled;
    expectModelOrder(b, "shuffled record numbers");
    // Repeated record numbers (not produced by the runtime, but allowed): batch order decides.
    for (auto& r : b.recnos) r = r % 7;
    expectModelOrder(b, "repeated record numbers");
    Batch same = makeBatch(5000, 8, rng, [](std::mt19937&, int) { return 'Q'; });
    expectModelOrder(same, "all keys equal");
}

TEST(NtxKeySort, OneByteAndLogicalKeys) {
    std::mt19937 rng(5);
    Batch logical = makeBatch(70000, 1, rng, [](std::mt19937& r, int) { return r() % 2 ? 'T' : 'F'; });
    expectModelOrder(logical, "logical keys");
    Batch any = makeBatch(70000, 1, rng, [](std::mt19937& r, int) { return static_cast<char>(r()); });
    expectModelOrder(any, "one byte");
}

}  // namespace
}  // namespace mx::rt::ntx
