#include "Main_List/list_editor_language.h"

namespace sonrik::list {

const std::array<CaptionText, 6> kListEditorCaptions{{
    {"BTTest", u8"Test", u8"Проверить"},
    {"BTApply", u8"Apply", u8"Применить"},
    {"EmptyOnly", u8"Replace empty fields only", u8"&Заменять только пустые поля"},
    {"_2Space", u8"Replace underscore by spaces", u8"Заменять &подчеркивание пробелами"},
    {"Autoremowe", u8"Autoremove attribute \"Read only\" before changes saved",
     u8"Автоматически снимать атрибут файла \"Только чтение\" перед сохранением"},
    {"Autorestore", u8"Restore attribute \"Read only\" after changes saved",
     u8"Восстанавливать атрибут файла \"Только чтение\" после сохранения"},
}};

const std::array<CaptionText, 3> kListEditorTabs{{
    {"tab 0", u8"File list", u8"Список файлов"},
    {"tab 1", u8"TAG to file name", u8"Тэг в имя файла"},
    {"tab 2", u8"File name to TAG", u8"Имя файла в тэг"},
}};

const std::array<CaptionText, static_cast<std::size_t>(ListMessage::Count)> kListEditorMessages{{
    {"NoFiles", u8"No chosen files!\rPlease select one or more file.",
     u8"Нет выбранных файлов!\rВыберите файлы для редактирования."},
    {"ReadOnlyQuestion", u8"File %S is \"Read only\".\rRemove this attribute beside all files to save changes?",
     u8"Файл %S \"Только для чтения\".\rИзменить это свойство у текущего и других файлов для сохранения изменений?"},
    {"Restoring", u8"Restore \"Read Only\" file attribute", u8"Восстановление атрибута \"Только чтение\""},
    {"RowError", u8"Error", u8"Ошибка"},
    {"FilesColumn", u8"Files", u8"Файлы"},
    {"CurrentNameColumn", u8"Current file name", u8"Текущее имя файла"},
    {"NewNameColumn", u8"New file name", u8"После переименования"},
    {"StatusColumn", u8"Status", u8"Статус"},
    {"UnheldCharacter", u8"The value holds the character %c, which the system's code page cannot hold. Change it.",
     u8"Значение содержит символ %c, которого нет в кодовой странице системы. Исправьте его."},
}};

}  // namespace sonrik::list
