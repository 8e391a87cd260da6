#pragma once
// A fresh folder under the temporary directory ($TMPDIR, else /tmp) for one test, removed with
// everything in it when the object goes. It either exists or the constructor throws: a test never
// runs with an empty path, where File("x") would name "/x".

#include <string>
#include <string_view>

namespace quarrow::test {

class ScratchFolder final {
public:
    // `label` goes into the folder's name (quarrow-<label>-XXXXXX) to tell its owner.
    explicit ScratchFolder(std::string_view label = "test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const noexcept { return m_path; }

    // The full path of `name` (relative, may hold folders) inside the folder; throws for an
    // empty or absolute name, which would point outside it.
    std::string File(std::string_view name) const;
    std::string operator/(std::string_view name) const { return File(name); }

    // Writes exactly `bytes` to `name` (making its folders) and returns its full path; throws
    // when it cannot.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // The same for a program (a script with its #! line): made executable (mode 0755).
    std::string WriteProgram(std::string_view name, std::string_view script) const;

private:
    std::string m_path;
};

// One folder for the whole process, made at the first call and removed when the process exits:
// for fuzz targets, whose code under test reads and writes by path on every input.
const ScratchFolder& ProcessScratchFolder();

}  // namespace quarrow::test
