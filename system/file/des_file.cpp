// Opening description files: text or newer image, and the callers' lookup reports.
#include "des_file.h"

#include "os_fatal.h"
#include "os_path.h"
#include "os_string.h"

namespace
{
// Linux refuses longer paths anyway; the image name needs one character more than the text's.
enum : u32
{
    IMAGE_NAME_BYTES = 4096 + 2
};
}  // namespace

u32 DES_ImageName(const char* _name, char* _out, u32 _outSize)
{
    const u32 length = OS_StrLen(_name);
    if (_outSize == 0 || length + 2 > _outSize)
        return 0;
    // The extension is the last dot of the last path component; a dot in a directory
    // name does not count.
    u32 dot = length;
    for (u32 i = length; i > 0; --i) {
        const char c = _name[i - 1];
        if (c == '\\' || c == '/')
            break;
        if (c == '.') {
            dot = i - 1;
            break;
        }
    }
    for (u32 i = 0; i < dot; ++i)
        _out[i] = _name[i];
    _out[dot] = '~';
    for (u32 i = dot; i <= length; ++i)
        _out[i + 1] = _name[i];
    return 1;
}

DES_File::DES_File() = default;

DES_File::~DES_File() { Close(); }

u32 DES_File::Open(DES_Section* _root, const char* _name)
{
    Close();

    char image[IMAGE_NAME_BYTES];
    s64 textTime = 0;
    s64 imageTime = 0;
    const u32 hasText = OS_GetFileTime(_name, &textTime);
    const u32 hasImage = DES_ImageName(_name, image, sizeof(image)) && OS_GetFileTime(image, &imageTime);
    if (!hasText && !hasImage)
        OS_Fatal("DES_File::Open() file not found", _name);

    // An image as old as its text may predate the last edit: only a strictly newer one counts.
    const u32 useImage = hasImage && (!hasText || imageTime > textTime);
    DES_Tree* tree = useImage ? DES_Image_Load(image) : DES_Text_Parse(_name);
    if (tree == nullptr) {
        // The fatal box names only the file; the log keeps the reason.
        const char* reason = DES_GetLastError();
        if (reason == nullptr || reason[0] == 0)
            reason = "cannot be read";
        if (useImage)
            OS_Log(OS_Format("DES_File::Open() \"%s\": %s", image, reason));
        else
            OS_Log(OS_Format("DES_File::Open() \"%s\" line %u: %s", _name, DES_GetLastErrorLine(), reason));
        OS_Fatal("DES_File::Open() root is NULL", _name);
    }
    if (tree->root == DES_NONE) {
        DES_Tree_Free(tree);
        OS_Fatal("DES_File::Open() file has no sections", _name);
    }

    m_tree = tree;
    if (_name != m_name)
        OS_StrCopyBounded(m_name, _name, sizeof(m_name));
    _root->m_file = this;
    _root->m_section = tree->root;
    _root->m_entry = DES_Node::SectionFirstEntry(tree, tree->root);
    _root->m_subsection = DES_Node::SectionFirstSub(tree, tree->root);
    return 1;
}

void DES_File::Close()
{
    if (m_tree != nullptr) {
        DES_Tree_Free(m_tree);
        m_tree = nullptr;
    }
}

void DES_FatalKey(const char* _where, const char* _key, const char* _file)
{
    OS_Fatal("DES FILE ERROR", OS_Format("(%s): Get \"%s\" in file \"%s\" failed", _where, _key, _file));
}

void DES_FatalKeyIndexed(const char* _where, const char* _stem, u32 _index, const char* _file)
{
    OS_Fatal("DES FILE ERROR", OS_Format("(%s): Get \"%s%u\" in file \"%s\" failed", _where, _stem, _index, _file));
}

void DES_FatalSection(const char* _where, const char* _section, const char* _file)
{
    OS_Fatal("DES FILE ERROR", OS_Format("(%s): Get [\"%s\"] in file \"%s\" failed", _where, _section, _file));
}

void DES_FatalSectionIndexed(const char* _where, const char* _stem, u32 _index, const char* _file)
{
    OS_Fatal("DES FILE ERROR", OS_Format("(%s): Get [\"%s%u\"] in file \"%s\" failed", _where, _stem, _index, _file));
}
