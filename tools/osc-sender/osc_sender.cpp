// Sends OSC datagrams to a UDP port at a set rate, or flat out.
//
//   osc_sender --port P [--host 127.0.0.1] [--count N] [--rate R] [--shape int|mix|string]
//
// Shapes: "int" is /test/value ,i <sequence number> (20 bytes); "mix" is /mix ,fT <float>;
// "string" is a 200-byte message carrying one string. A rate of 0 sends as fast as the socket
// takes them. Prints the number sent and the time taken on standard output.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kStringMessageSize = 200;

void appendPaddedString(std::vector<char> &out, const std::string &text)
{
    out.insert(out.end(), text.begin(), text.end());
    out.push_back('\0');
    while (out.size() % 4 != 0)
        out.push_back('\0');
}

void appendBigEndian32(std::vector<char> &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::vector<char> buildMessage(const std::string &shape, std::uint32_t sequence)
{
    std::vector<char> out;
    if (shape == "mix") {
        appendPaddedString(out, "/mix");
        appendPaddedString(out, ",fT");
        const float value = static_cast<float>(sequence % 1000) / 1000.0f;
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        appendBigEndian32(out, bits);
    } else if (shape == "string") {
        appendPaddedString(out, "/text/message");
        appendPaddedString(out, ",s");
        // Fill the string so the whole datagram is exactly kStringMessageSize bytes.
        std::string text = std::to_string(sequence) + ":";
        const std::size_t stringBytes = kStringMessageSize - out.size() - 4;   // at least one NUL, padded
        text.resize(stringBytes + 3, 'x');
        appendPaddedString(out, text);
    } else {
        appendPaddedString(out, "/test/value");
        appendPaddedString(out, ",i");
        appendBigEndian32(out, sequence);
    }
    return out;
}

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: osc_sender --port P [--host 127.0.0.1] [--count N] [--rate R] [--shape int|mix|string]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char *argv[])
{
    std::string host = "127.0.0.1";
    std::string shape = "int";
    long port = 0;
    long long count = 1000;
    double rate = 0.0;

    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            usage();
        const char *value = argv[++i];
        if (option == "--port")
            port = std::strtol(value, nullptr, 10);
        else if (option == "--host")
            host = value;
        else if (option == "--count")
            count = std::strtoll(value, nullptr, 10);
        else if (option == "--rate")
            rate = std::strtod(value, nullptr);
        else if (option == "--shape")
            shape = value;
        else
            usage();
    }
    if (port < 1 || port > 65535 || count < 0 || rate < 0.0 || (shape != "int" && shape != "mix" && shape != "string"))
        usage();

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &target.sin_addr) != 1) {
        std::fprintf(stderr, "osc_sender: not a numeric IPv4 address: %s\n", host.c_str());
        return 2;
    }

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        std::perror("osc_sender: socket");
        return 1;
    }

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    long long sent = 0;
    for (long long i = 0; i < count; ++i) {
        if (rate > 0.0) {
            const auto due = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(i / rate));
            // Sleep only when well ahead; spin the last stretch so the pacing stays even.
            while (Clock::now() < due) {
                if (due - Clock::now() > std::chrono::microseconds(200))
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
        const std::vector<char> message = buildMessage(shape, static_cast<std::uint32_t>(i));
        const ssize_t written = sendto(fd, message.data(), message.size(), 0,
                                       reinterpret_cast<const sockaddr *>(&target), sizeof target);
        if (written == static_cast<ssize_t>(message.size()))
            ++sent;
        else if (written < 0 && errno != ECONNREFUSED && errno != ENOBUFS)
            std::perror("osc_sender: sendto");
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);

    std::printf("sent %lld in %.3f s\n", sent, seconds);
    return 0;
}
