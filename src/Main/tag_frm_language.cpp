#include "Main/tag_frm_language.h"

namespace sonrik::editor {

const std::array<CaptionText, 26> kTagFrmCaptions{{
    {"LTitle", "Title", "Название"},
    {"LLyrTitle", "Title", "Название"},
    {"LArtist", "Artist", "Исполнитель"},
    {"LLyrArtist", "Artist", "Исполнитель"},
    {"LAlbum", "Album", "Альбом"},
    {"LLyrAlbum", "Album", "Альбом"},
    {"LLyrAuthor", "Author", "Автор"},
    {"LYear", "Year", "Год"},
    {"LComment", "Comment", "Комментарий"},
    {"LGenre", "Genre", "Жанр"},
    {"LTrackNo", "Track number", "Номер дорожки"},
    {"Lyrics3UseTimestamp", "Use Timestamp", "Метки времени"},
    {"TabSheet1", "Lyrics", "Текст"},
    {"TabSheet2", "Images (list)", "Список картинок"},
    {"TabSheet3", "Infos", "Информация"},
    {"TabSheet4", "Others", "Разное"},
    {"Reload", "Reload", "Перечитать"},
    {"BtExit", "Exit", "Выход"},
    {"BtSave", "Save", "Сохранить"},
    {"Autoremowe", "Autoremove attribute \"Read only\" before changes saved",
     "Автоматически снимать атрибут файла \"Только чтение\" перед сохранением"},
    {"Autorestore", "Restore attribute \"Read only\" after changes saved",
     "Восстанавливать атрибут файла \"Только чтение\" после сохранения"},
    {"V1UseID3v2", "Use ID3v2 Tag", "Использовать ID3v2 Тэг"},
    {"V1UseID3v1", "Use ID3v1 Tag", "Использовать ID3v1 Тэг"},
    {"V1UseID3v11", "Use ID3v1.1 Tag", "Использовать ID3v1.1 Тэг"},
    {"V1UseLyrics3", "Use Lyrics3 Tag", "Использовать Lyrics3 Тэг"},
    // The block may be of either version, so the group names neither.
    {"XPGroupBox2", "Lyrics3 Tag", "Lyrics3 Тэг"},
}};

const std::array<CaptionText, static_cast<std::size_t>(TagFrmMessage::Count)> kTagFrmMessages{{
    {"Stopping", "Stop playing ...", "Остановка воспроизведения ..."},
    {"Writing", "Save changes ...", "Сохранение изменений ..."},
    {"RemovingReadOnly", "Remove \"Read Only\" file attribute", "Удаление атрибута \"Только чтение\""},
    {"RestoringReadOnly", "Restore \"Read Only\" file attribute", "Восстановление атрибута \"Только чтение\""},
    {"Resuming", "Play now", "Возобновление воспроизведения"},
    {"Saved", "Changes saved!", "Изменения сохранены!"},
    {"NotSaved", "Changes not saved!", "Изменения не сохранены!"},
    {"ClearValues", "Clear all values?", "Очистить все значения?"},
    {"ReadOnlyLine1", "File %S is \"Read only\".", "Файл %S \"Только для чтения\"."},
    {"ReadOnlyLine2", "Remove this attribute to save changes?", "Изменить это свойство для сохранения изменений?"},
    {"CloseWithChanges", "TAG values is changed. Save changes?", "Значения ТЭГ-ов изменены. Сохранить изменения?"},
    {"TrackNoOutOfRange", "Track number '%s' is out of range: enter a number from 0 to 255.",
     "Номер дорожки '%s' вне допустимого диапазона: введите число от 0 до 255."},
}};

}  // namespace sonrik::editor
