// pq-gen-luts: samples the built-in looks into .cube tables and packs them.
//
//   pq-gen-luts --out FILE      writes the archive: the folder entry
//                               "Pastelloquin_LUTs/", then every table
//                               deflated, in the looks' order
//   pq-gen-luts --cubes DIR     writes every table as DIR/NAME.cube

#include "looks.h"

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Entries carry this time, so that the archive is the same on every build.
constexpr time_t kEntryTime = 1704067200; // 2024-01-01 00:00 UTC

std::string CubeText(const looks::Look& look)
{
    const int n = look.size;
    std::string text;
    text.reserve(size_t(n) * size_t(n) * size_t(n) * 27 + 256);
    text += "# Pastelloquin look: " + look.name + "\n";
    text += "TITLE \"" + look.name + "\"\n";
    text += "LUT_3D_SIZE " + std::to_string(n) + "\n";
    text += "DOMAIN_MIN 0.0 0.0 0.0\nDOMAIN_MAX 1.0 1.0 1.0\n\n";
    char line[96];
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const looks::RGB in{double(r) / (n - 1), double(g) / (n - 1), double(b) / (n - 1)};
                const looks::RGB out = looks::Clamp01(look.grade(in));
                // + 0.0 turns a negative zero into a plain one.
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", out.r + 0.0, out.g + 0.0, out.b + 0.0);
                text += line;
            }
    return text;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "pq-gen-luts: %s\n", message.c_str());
    return 1;
}

int WriteArchive(const std::string& path)
{
    const std::string temp = path + ".part";
    int error = 0;
    zip_t* zip = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return Fail("cannot create " + temp);
    auto abandon = [&](const std::string& message) {
        std::string text = message + ": " + zip_strerror(zip);
        zip_discard(zip);
        std::remove(temp.c_str());
        return Fail(text);
    };
    const zip_int64_t folder = zip_dir_add(zip, "Pastelloquin_LUTs", ZIP_FL_ENC_UTF_8);
    if (folder < 0 || zip_file_set_mtime(zip, zip_uint64_t(folder), kEntryTime, 0) < 0)
        return abandon("cannot add the folder");
    for (const looks::Look& look : looks::BuiltInLooks()) {
        const std::string text = CubeText(look);
        // libzip frees the copy once the archive is written.
        char* copy = static_cast<char*>(std::malloc(text.size()));
        if (!copy)
            return abandon("out of memory");
        std::memcpy(copy, text.data(), text.size());
        zip_source_t* source = zip_source_buffer(zip, copy, text.size(), 1);
        if (!source) {
            std::free(copy);
            return abandon("cannot add " + look.name);
        }
        const std::string name = "Pastelloquin_LUTs/" + look.name + ".cube";
        const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return abandon("cannot add " + name);
        }
        if (zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 6) < 0 ||
            zip_file_set_mtime(zip, zip_uint64_t(index), kEntryTime, 0) < 0)
            return abandon("cannot set up " + name);
    }
    if (zip_close(zip) < 0) {
        const std::string text = zip_strerror(zip);
        zip_discard(zip);
        std::remove(temp.c_str());
        return Fail("cannot write " + temp + ": " + text);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        return Fail("cannot move the archive to " + path);
    return 0;
}

int WriteCubes(const std::string& dir)
{
    for (const looks::Look& look : looks::BuiltInLooks()) {
        const std::string path = dir + "/" + look.name + ".cube";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return Fail("cannot write " + path);
        const std::string text = CubeText(look);
        const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        if (std::fclose(f) != 0 || !ok)
            return Fail("cannot write " + path);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--out") == 0)
        return WriteArchive(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--cubes") == 0)
        return WriteCubes(argv[2]);
    return Fail("usage: pq-gen-luts --out FILE | --cubes DIR");
}
