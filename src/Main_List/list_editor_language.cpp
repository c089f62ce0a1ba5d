#include "Main_List/list_editor_language.h"

namespace sonrik::list {

const std::array<CaptionText, 6> kListEditorCaptions{{
    {"BTTest", "Test", "Проверить"},
    {"BTApply", "Apply", "Применить"},
    {"EmptyOnly", "Replace empty fields only", "&Заменять только пустые поля"},
    {"_2Space", "Replace underscore by spaces", "Заменять &подчеркивание пробелами"},
    {"Autoremowe", "Autoremove attribute \"Read only\" before changes saved",
     "Автоматически снимать атрибут файла \"Только чтение\" перед сохранением"},
    {"Autorestore", "Restore attribute \"Read only\" after changes saved",
     "Восстанавливать атрибут файла \"Только чтение\" после сохранения"},
}};

const std::array<CaptionText, 3> kListEditorTabs{{
    {"tab 0", "File list", "Список файлов"},
    {"tab 1", "TAG to file name", "Тэг в имя файла"},
    {"tab 2", "File name to TAG", "Имя файла в тэг"},
}};

const std::array<CaptionText, static_cast<std::size_t>(ListMessage::Count)> kListEditorMessages{{
    {"NoFiles", "No chosen files!\rPlease select one or more file.",
     "Нет выбранных файлов!\rВыберите файлы для редактирования."},
    {"ReadOnlyQuestion", "File %S is \"Read only\".\rRemove this attribute beside all files to save changes?",
     "Файл %S \"Только для чтения\".\rИзменить это свойство у текущего и других файлов для сохранения изменений?"},
    {"Restoring", "Restore \"Read Only\" file attribute", "Восстановление атрибута \"Только чтение\""},
    {"RowError", "Error", "Ошибка"},
    {"FilesColumn", "Files", "Файлы"},
    {"CurrentNameColumn", "Current file name", "Текущее имя файла"},
    {"NewNameColumn", "New file name", "После переименования"},
    {"StatusColumn", "Status", "Статус"},
}};

}  // namespace sonrik::list
