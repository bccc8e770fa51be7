// An open file descriptor that is closed on every way out of the function that holds it.
#pragma once

#include <unistd.h>

#include <utility>

namespace torvel {

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    void reset(int descriptor)
    {
        close();
        m_descriptor = descriptor;
    }

    bool isOpen() const { return m_descriptor >= 0; }
    int get() const { return m_descriptor; }

    /// Closes now; false when the close itself reports an error (a delayed write error on some file
    /// systems), which a writer must not ignore.
    [[nodiscard]] bool closeChecked()
    {
        const int descriptor = std::exchange(m_descriptor, -1);
        return descriptor < 0 || ::close(descriptor) == 0;
    }

private:
    void close()
    {
        if (m_descriptor >= 0)
            ::close(std::exchange(m_descriptor, -1));
    }

    int m_descriptor;
};

}  // namespace torvel
