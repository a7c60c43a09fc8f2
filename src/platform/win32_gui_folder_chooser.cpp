#include "platform/win32_gui_folder_chooser.h"

#include "platform/win32_gui_com.h"
#include "platform/win32_text.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace bk {

namespace {

// "C:\Fotos\" names the folder "C:\Fotos"; a drive's root keeps its backslash.
std::wstring WithoutFinalSeparator(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

void OpenAt(IFileOpenDialog& dialog, std::string_view folder) {
    if (folder.empty()) {
        return;
    }
    const std::wstring path = WithoutFinalSeparator(WideText(folder));
    ComReference<IShellItem> item;
    if (SUCCEEDED(
            SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem, item.putVoid()))) {
        dialog.SetFolder(item.get());
    }
}

std::string FolderPath(IShellItem& item) {
    CoTaskText path;
    if (FAILED(item.GetDisplayName(SIGDN_FILESYSPATH, path.put())) || path.view().empty()) {
        return {};
    }
    std::string chosen = ByteText(path.view());
    if (chosen.back() != '\\') {
        chosen += '\\';
    }
    return chosen;
}

} // namespace

std::string ChooseFolderWithShell(HWND owner, std::string_view title,
                                  std::string_view initialFolder) {
    ComReference<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, dialog.putVoid()))) {
        return {};
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    // Only folders of the file system, which the scan can walk, and only ones that exist.
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(WideText(title).c_str());
    OpenAt(*dialog.get(), initialFolder);
    // Anything but S_OK is a cancel (ERROR_CANCELLED) or a failure to show the picker.
    if (dialog->Show(owner) != S_OK) {
        return {};
    }
    ComReference<IShellItem> chosen;
    if (FAILED(dialog->GetResult(chosen.put())) || !chosen) {
        return {};
    }
    return FolderPath(*chosen.get());
}

} // namespace bk
