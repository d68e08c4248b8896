// Writes the sample data the benchmark runs on out of the box: quorvex_datagen <outdir>.
// One function per data file; each creates its directories and reports what it could not do.
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

bool WriteText(const std::filesystem::path& _path, const char* _text)
{
    std::error_code error;
    std::filesystem::create_directories(_path.parent_path(), error);
    FILE* file = fopen(_path.string().c_str(), "wb");
    if (file == nullptr) {
        fprintf(stderr, "quorvex_datagen: cannot write %s\n", _path.string().c_str());
        return false;
    }
    const bool written = fputs(_text, file) >= 0;
    return fclose(file) == 0 && written;
}

// ini\display.des: the start-up display mode and texture cache size (kilobytes).
bool WriteDisplayConfig(const std::filesystem::path& _outDir)
{
    return WriteText(_outDir / "ini" / "display.des",
                     "// Display configuration read at start-up.\n"
                     "// Width, Height, Depth: the display mode (a mode switch on the command line wins).\n"
                     "// Texturecachesize: texture memory in kilobytes.\n"
                     "[Display]\n"
                     "{\n"
                     "    Width = 640\n"
                     "    Height = 480\n"
                     "    Depth = 32\n"
                     "    Texturecachesize = 24\n"
                     "}\n");
}

// ini\sound.des: sound output settings. Without an audio device the program runs silent.
bool WriteSoundConfig(const std::filesystem::path& _outDir)
{
    return WriteText(_outDir / "ini" / "sound.des",
                     "// Sound output read at start-up.\n"
                     "// SoundOn: 0 runs without sound. NumOfChannels: 1 mono, 2 stereo.\n"
                     "// Rate: 44100, 22050 or 11025 Hz (lower rates and 8 bits are tried when refused).\n"
                     "// Bits: 8 or 16.\n"
                     "[Sound]\n"
                     "{\n"
                     "    SoundOn = 1\n"
                     "    NumOfChannels = 2\n"
                     "    Rate = 44100\n"
                     "    Bits = 16\n"
                     "}\n");
}

}  // namespace

int main(int _argc, char** _argv)
{
    if (_argc != 2) {
        fprintf(stderr, "usage: quorvex_datagen <outdir>\n");
        return 2;
    }
    const std::filesystem::path outDir(_argv[1]);
    bool ok = true;
    ok = WriteDisplayConfig(outDir) && ok;
    ok = WriteSoundConfig(outDir) && ok;
    return ok ? 0 : 1;
}
