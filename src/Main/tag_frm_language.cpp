#include "Main/tag_frm_language.h"

namespace sonrik::editor {

const std::array<CaptionText, 26> kTagFrmCaptions{{
    {"LTitle", u8"Title", u8"Название"},
    {"LLyrTitle", u8"Title", u8"Название"},
    {"LArtist", u8"Artist", u8"Исполнитель"},
    {"LLyrArtist", u8"Artist", u8"Исполнитель"},
    {"LAlbum", u8"Album", u8"Альбом"},
    {"LLyrAlbum", u8"Album", u8"Альбом"},
    {"LLyrAuthor", u8"Author", u8"Автор"},
    {"LYear", u8"Year", u8"Год"},
    {"LComment", u8"Comment", u8"Комментарий"},
    {"LGenre", u8"Genre", u8"Жанр"},
    {"LTrackNo", u8"Track number", u8"Номер дорожки"},
    {"Lyrics3UseTimestamp", u8"Use Timestamp", u8"Метки времени"},
    {"TabSheet1", u8"Lyrics", u8"Текст"},
    {"TabSheet2", u8"Images (list)", u8"Список картинок"},
    {"TabSheet3", u8"Infos", u8"Информация"},
    {"TabSheet4", u8"Others", u8"Разное"},
    {"Reload", u8"Reload", u8"Перечитать"},
    {"BtExit", u8"Exit", u8"Выход"},
    {"BtSave", u8"Save", u8"Сохранить"},
    {"Autoremowe", u8"Autoremove attribute \"Read only\" before changes saved",
     u8"Автоматически снимать атрибут файла \"Только чтение\" перед сохранением"},
    {"Autorestore", u8"Restore attribute \"Read only\" after changes saved",
     u8"Восстанавливать атрибут файла \"Только чтение\" после сохранения"},
    {"V1UseID3v2", u8"Use ID3v2 Tag", u8"Использовать ID3v2 Тэг"},
    {"V1UseID3v1", u8"Use ID3v1 Tag", u8"Использовать ID3v1 Тэг"},
    {"V1UseID3v11", u8"Use ID3v1.1 Tag", u8"Использовать ID3v1.1 Тэг"},
    {"V1UseLyrics3", u8"Use Lyrics3 Tag", u8"Использовать Lyrics3 Тэг"},
    // The block may be of either version, so the group names neither.
    {"XPGroupBox2", u8"Lyrics3 Tag", u8"Lyrics3 Тэг"},
}};

const std::array<CaptionText, static_cast<std::size_t>(TagFrmMessage::Count)> kTagFrmMessages{{
    {"Stopping", u8"Stop playing ...", u8"Остановка воспроизведения ..."},
    {"Writing", u8"Save changes ...", u8"Сохранение изменений ..."},
    {"RemovingReadOnly", u8"Remove \"Read Only\" file attribute", u8"Удаление атрибута \"Только чтение\""},
    {"RestoringReadOnly", u8"Restore \"Read Only\" file attribute", u8"Восстановление атрибута \"Только чтение\""},
    {"Resuming", u8"Play now", u8"Возобновление воспроизведения"},
    {"Saved", u8"Changes saved!", u8"Изменения сохранены!"},
    {"NotSaved", u8"Changes not saved!", u8"Изменения не сохранены!"},
    {"ClearValues", u8"Clear all values?", u8"Очистить все значения?"},
    {"ReadOnlyLine1", u8"File %S is \"Read only\".", u8"Файл %S \"Только для чтения\"."},
    {"ReadOnlyLine2", u8"Remove this attribute to save changes?", u8"Изменить это свойство для сохранения изменений?"},
    {"CloseWithChanges", u8"TAG values is changed. Save changes?", u8"Значения ТЭГ-ов изменены. Сохранить изменения?"},
    {"TrackNoOutOfRange", u8"Track number '%s' is out of range: enter a number from 0 to 255.",
     u8"Номер дорожки '%s' вне допустимого диапазона: введите число от 0 до 255."},
    {"UnheldCharacter",
     u8"The field \"%f\" holds the character %c, which the system's code page cannot hold. Nothing was saved: "
     u8"change the field and save again.",
     u8"Поле \"%f\" содержит символ %c, которого нет в кодовой странице системы. Ничего не сохранено: "
     u8"исправьте поле и сохраните снова."},
}};

}  // namespace sonrik::editor
