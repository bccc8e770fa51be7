// Turns a fuzzer's bytes into choices and texts, the same way for libFuzzer and for the replay runner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// The entry point every fuzz target defines, called by libFuzzer or by the replay runner.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace torvel::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }

    std::uint8_t byte()
    {
        return m_pos < m_size ? m_data[m_pos++] : 0;
    }

    /// A text of up to 255 bytes: one length byte, then that many bytes (fewer at the end of the input).
    std::string text()
    {
        std::size_t length = byte();
        std::string out;
        while (length-- > 0 && m_pos < m_size)
            out.push_back(static_cast<char>(m_data[m_pos++]));
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace torvel::fuzz
