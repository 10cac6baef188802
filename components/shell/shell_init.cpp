#include "components/shell/shell_init.h"

#include <shlobj.h>

#include <array>

namespace kelvo {

namespace {

// The registered formats, in the order of registration.
constexpr std::array<const char*, 7> kFormatNames = {
    "FileContents",         "FileGroupDescriptor",    "Shell IDList Array", "Preferred DropEffect",
    "UniformResourceLocator", "FileNameMap",          "FileNameMapW",
};
std::array<UINT, kFormatNames.size()> g_formats{};

IMalloc* g_shellMalloc = nullptr;
bool g_started = false;

} // namespace

const UINT& CF_FILECONTENTS = g_formats[0];
const UINT& CF_FILEGROUPDESCRIPTOR = g_formats[1];
const UINT& CF_IDLIST = g_formats[2];
const UINT& CF_PREFERREDDROPEFFECT = g_formats[3];
const UINT& CF_URL = g_formats[4];
const UINT& CF_FILENAMEMAP = g_formats[5];
const UINT& CF_FILENAMEMAPW = g_formats[6];

IMalloc* ShellMalloc() { return g_shellMalloc; }

TShellStartup::TShellStartup()
{
    if (g_started)
        throw ShellError("The shell components are already started");
    if (FAILED(OleInitialize(nullptr)))
        throw ShellError("Failed to initialize OLE");
    g_started = true;
    for (std::size_t i = 0; i < kFormatNames.size(); ++i)
        g_formats[i] = RegisterClipboardFormatA(kFormatNames[i]);
    if (FAILED(SHGetMalloc(&g_shellMalloc)))
        g_shellMalloc = nullptr;
}

TShellStartup::~TShellStartup()
{
    if (g_shellMalloc)
        g_shellMalloc->Release();
    g_shellMalloc = nullptr;
    OleUninitialize();
    g_started = false;
}

} // namespace kelvo
