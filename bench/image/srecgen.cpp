// vesk-srecgen KIND OUT [SEED]: writes a seeded S-record file for the image benchmarks.
//   contiguous  16 MiB of data from address 0 in "S2" records of 32 bytes (~41 MB of text)
//   fill        256 bytes at 0, then 8,368 bytes at FFDF50 (16 MiB of zero fill between)
//   bigfill     about 640 bytes of text that ask for 320 MiB of zero fill
// The image each one should give is 16 MiB, 16 MiB and 320 MiB long.

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

class Writer
{
public:
    explicit Writer(std::FILE *file) : m_file(file) {}

    void record(char type, unsigned long address, const unsigned char *data, int size)
    {
        const int width = type == '2' ? 3 : 2;
        unsigned char body[260];
        int n = 0;
        body[n++] = static_cast<unsigned char>(width + size + 1);
        for (int i = width - 1; i >= 0; --i)
            body[n++] = static_cast<unsigned char>(address >> (8 * i));
        std::memcpy(body + n, data, size);
        n += size;
        unsigned sum = 0;
        for (int i = 0; i < n; ++i)
            sum += body[i];
        body[n++] = static_cast<unsigned char>(~sum);

        static const char kDigits[] = "0123456789ABCDEF";
        m_line.assign({'S', type});
        for (int i = 0; i < n; ++i) {
            m_line.push_back(kDigits[body[i] >> 4]);
            m_line.push_back(kDigits[body[i] & 15]);
        }
        m_line += "\r\n";
        std::fwrite(m_line.data(), 1, m_line.size(), m_file);
    }
    void raw(const char *text) { std::fputs(text, m_file); }

private:
    std::FILE *m_file;
    std::string m_line;
};

void data(Writer &out, std::mt19937 &random, unsigned long address, unsigned long size)
{
    unsigned char bytes[32];
    while (size > 0) {
        const int take = size < 32 ? int(size) : 32;
        for (int i = 0; i < take; ++i)
            bytes[i] = static_cast<unsigned char>(random());
        out.record('2', address, bytes, take);
        address += take;
        size -= take;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: vesk-srecgen contiguous|fill|bigfill OUT [SEED]\n");
        return 2;
    }
    const std::string kind = argv[1];
    std::mt19937 random(argc == 4 ? std::stoul(argv[3]) : 1u);
    std::FILE *file = std::fopen(argv[2], "wb");
    if (!file) {
        std::perror(argv[2]);
        return 1;
    }
    static char buffer[1 << 20];
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
    Writer out(file);
    out.record('0', 0, reinterpret_cast<const unsigned char *>("bench.mot"), 9);
    if (kind == "contiguous") {
        data(out, random, 0, 16ul << 20);
    } else if (kind == "fill") {
        data(out, random, 0, 256);
        data(out, random, 0xFFDF50, 8368);
    } else if (kind == "bigfill") {
        // An empty record at 0 then one at FFFFFF: each pair asks for 16 MiB - 1 of fill.
        for (int i = 0; i < 20; ++i)
            out.raw("S204000000FB\r\nS204FFFFFFFE\r\n");
        // 20 bytes more make the image exactly 320 MiB.
        unsigned char pad[20] = {};
        out.record('2', 0xFFFFFF, pad, 20);
    } else {
        std::fprintf(stderr, "vesk-srecgen: unknown kind %s\n", kind.c_str());
        return 2;
    }
    out.raw("S804000000FB\r\n");
    return std::fclose(file) == 0 ? 0 : 1;
}
