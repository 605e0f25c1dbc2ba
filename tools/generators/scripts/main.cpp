// pq-gen-scripts: packs the built-in .pqs scripts into one deflated zip
// archive, members in the order given, each under its file name.
//
//   pq-gen-scripts --out ARCHIVE SCRIPT...

#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "pq-gen-scripts: %s\n", message.c_str());
    return 1;
}

bool ReadFile(const std::filesystem::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::string(argv[1]) != "--out")
        return Fail("usage: pq-gen-scripts --out ARCHIVE SCRIPT...");
    const std::filesystem::path out = argv[2];
    std::vector<std::filesystem::path> scripts(argv + 3, argv + argc);

    // Every buffer must outlive zip_close, which reads them.
    std::vector<std::string> contents(scripts.size());
    for (size_t i = 0; i < scripts.size(); ++i)
        if (!ReadFile(scripts[i], contents[i]))
            return Fail("cannot read " + scripts[i].string());

    const std::filesystem::path temp = out.string() + ".part";
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    int code = 0;
    zip_t* archive = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return Fail("cannot create " + temp.string() + " (libzip error " + std::to_string(code) + ")");
    // A fixed stamp keeps the archive reproducible.
    const time_t stamp = 1704110400;
    for (size_t i = 0; i < scripts.size(); ++i) {
        const std::string name = scripts[i].filename().string();
        zip_source_t* src = zip_source_buffer(archive, contents[i].data(), contents[i].size(), 0);
        const zip_int64_t index = src ? zip_file_add(archive, name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (src)
                zip_source_free(src);
            const std::string why = zip_strerror(archive);
            zip_discard(archive);
            return Fail("cannot add " + name + ": " + why);
        }
        if (zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 9) != 0 ||
            zip_file_set_mtime(archive, zip_uint64_t(index), stamp, 0) != 0) {
            const std::string why = zip_strerror(archive);
            zip_discard(archive);
            return Fail("cannot deflate " + name + ": " + why);
        }
    }
    if (zip_close(archive) != 0) {
        const std::string why = zip_strerror(archive);
        zip_discard(archive);
        return Fail("cannot write " + temp.string() + ": " + why);
    }
    std::filesystem::rename(temp, out, ignored);
    if (ignored)
        return Fail("cannot rename " + temp.string() + " to " + out.string());
    return 0;
}
