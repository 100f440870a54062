<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>AboutText</name>
    <message>
        <source>© Разработчики Morvane, %1
Поиск похожих картинок</source>
        <translation>© The Morvane developers, %1
Finds similar pictures</translation>
    </message>
    <message>
        <source>Построено на Qt 6 и libvips</source>
        <translation>Built on Qt 6 and libvips</translation>
    </message>
    <message>
        <source>Документация не установлена</source>
        <translation>Documentation is not installed</translation>
    </message>
    <message>
        <source>Справка: morvane-cli --help</source>
        <translation>Help: morvane-cli --help</translation>
    </message>
</context>
<context>
    <name>CacheActions</name>
    <message>
        <source>Кэш отпечатков</source>
        <translation>Fingerprint cache</translation>
    </message>
    <message>
        <source>Не читать заново картинки, которые не менялись с прошлого поиска</source>
        <translation>Do not read again the pictures that have not changed since the last search</translation>
    </message>
    <message>
        <source>Очистить кэш отпечатков</source>
        <translation>Clear the fingerprint cache</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>нет значения у %1</source>
        <translation>no value for %1</translation>
    </message>
    <message>
        <source>--mode принимает exact, similar или identical</source>
        <translation>--mode takes exact, similar or identical</translation>
    </message>
    <message>
        <source>неизвестный способ удаления %1</source>
        <translation>unknown way of deleting %1</translation>
    </message>
    <message>
        <source>неизвестное правило --keep &quot;%1&quot;: largest, smallest, most-pixels, oldest, newest, in:ПАПКА или shortest-path</source>
        <translation>unknown --keep rule &quot;%1&quot;: largest, smallest, most-pixels, oldest, newest, in:FOLDER or shortest-path</translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>--masks и --all-formats не указываются вместе</source>
        <translation>--masks and --all-formats cannot be given together</translation>
    </message>
    <message>
        <source>порог должен быть целым числом от 1 до 100: %1</source>
        <translation>the threshold must be a whole number from 1 to 100: %1</translation>
    </message>
    <message>
        <source>--undo указывается только отдельно</source>
        <translation>--undo can only be given on its own</translation>
    </message>
    <message>
        <source>лишний параметр %1</source>
        <translation>unexpected argument %1</translation>
    </message>
    <message>
        <source>--keep и --dispose указываются только вместе</source>
        <translation>--keep and --dispose can only be given together</translation>
    </message>
    <message>
        <source>--json и --csv не указываются вместе</source>
        <translation>--json and --csv cannot be given together</translation>
    </message>
    <message>
        <source>--dry-run указывается только вместе с --keep</source>
        <translation>--dry-run can only be given with --keep</translation>
    </message>
    <message>
        <source>не указана папка</source>
        <translation>no folder given</translation>
    </message>
    <message>
        <source>%1/%2  %3/с  </source>
        <translation>%1/%2  %3/s  </translation>
    </message>
    <message>
        <source>Сравнение: %1/%2</source>
        <translation>Comparing: %1/%2</translation>
    </message>
    <message>
        <source>Файлов: </source>
        <translation>Files: </translation>
    </message>
    <message>
        <source>Прочитано картинок: </source>
        <translation>Pictures read: </translation>
    </message>
    <message>
        <source>Групп: </source>
        <translation>Groups: </translation>
    </message>
    <message>
        <source>Дубликатов: </source>
        <translation>Duplicates: </translation>
    </message>
    <message>
        <source>Пропущено длинных путей: </source>
        <translation>Long paths skipped: </translation>
    </message>
    <message>
        <source>Будет удалено файлов: </source>
        <translation>Files to be deleted: </translation>
    </message>
    <message>
        <source>Удалено файлов: </source>
        <translation>Files deleted: </translation>
    </message>
    <message>
        <source>Будет освобождено байт: </source>
        <translation>Bytes to be freed: </translation>
    </message>
    <message>
        <source>Освобождено байт: </source>
        <translation>Bytes freed: </translation>
    </message>
    <message>
        <source>Будет перенесено байт: </source>
        <translation>Bytes to be moved: </translation>
    </message>
    <message>
        <source>Перенесено байт: </source>
        <translation>Bytes moved: </translation>
    </message>
    <message>
        <source>Будет удалено без затирания: </source>
        <translation>To be deleted without wiping: </translation>
    </message>
    <message>
        <source>Удалено без затирания: </source>
        <translation>Deleted without wiping: </translation>
    </message>
    <message>
        <source>Не совпадают побайтно, оставлено: </source>
        <translation>Not byte-identical, kept: </translation>
    </message>
    <message>
        <source>Не удалось удалить: </source>
        <translation>Failed to delete: </translation>
    </message>
    <message>
        <source>Не обычный файл: %1</source>
        <translation>Not a regular file: %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать картинку: %1</source>
        <translation>Could not read the picture: %1</translation>
    </message>
    <message>
        <source>morvane-cli: отпечаток не выведен полностью</source>
        <translation>morvane-cli: the fingerprint was not printed in full</translation>
    </message>
    <message>
        <source>Порог исправлен на %1</source>
        <translation>Threshold corrected to %1</translation>
    </message>
    <message>
        <source>Папка не найдена: %1</source>
        <translation>Folder not found: %1</translation>
    </message>
    <message>
        <source>morvane-cli: отчёт не выведен полностью</source>
        <translation>morvane-cli: the report was not printed in full</translation>
    </message>
    <message>
        <source>morvane-cli: libvips не запускается</source>
        <translation>morvane-cli: libvips does not start</translation>
    </message>
    <message>
        <source>Использование:
  morvane-cli [--mode РЕЖИМ] [--masks МАСКИ | --all-formats] [--threshold ПОРОГ]
              [--list ФАЙЛ] [--log ФАЙЛ] [--reference ПАПКА]... [--json | --csv]
              ПАПКА...
  morvane-cli --keep ПРАВИЛО[,ПРАВИЛО...] --dispose СПОСОБ [--dry-run] [--json]
              [...] ПАПКА...
  morvane-cli --fingerprint ФАЙЛ
  morvane-cli --clear-cache
  morvane-cli --undo [ЖУРНАЛ]
  morvane-cli --version

Ищет одинаковые и похожие картинки в папках и их подпапках (как в одной
общей) и записывает найденные группы в список дубликатов и в журнал.

  --mode exact        сравнивать точно: доля совпадающих клеток отпечатка (по
                      умолчанию)
  --mode similar      искать похожие: копии с другой яркостью, в оттенках серого,
                      пересохранённые, уменьшенные, обрезанные по краю; зеркальные
                      отражения похожими не считаются
  --mode identical    искать побайтно одинаковые файлы любого вида, ничего не
                      распаковывая (порог не нужен)
  --masks МАСКИ       маски файлов через &quot;;&quot; (по умолчанию &quot;%1&quot;)
  --all-formats       вместо масок все читаемые форматы: JPEG, PNG, BMP, GIF, WMF,
                      EMF, WebP, TIFF, HEIC, AVIF, JPEG XL, ICO, SVG и снимки камер
                      (DNG, CR2, CR3, NEF, ARW, ORF, RW2, RAF, PEF)
  --threshold ПОРОГ   порог сходства в процентах, 1..100 (по умолчанию %2, для
                      similar %3)
  --list ФАЙЛ         список дубликатов (по умолчанию %4)
  --log ФАЙЛ          журнал (по умолчанию %5)
  --reference ПАПКА   папка эталонов: её картинки сравниваются, но никогда не
                      удаляются; можно указать несколько раз
  --keep ПРАВИЛА      в каждой группе оставить один файл, остальные удалить; первое
                      правило, различающее файлы, решает, следующие разбивают
                      ничьи, затем порядок обхода: largest (самый большой),
                      smallest (самый маленький), most-pixels (больше всего
                      точек), oldest, newest (по дате съёмки EXIF, иначе по
                      времени изменения), in:ПАПКА (лежащий в папке),
                      shortest-path (самый короткий путь); правила через &quot;,&quot;
                      или повтором --keep
  --dispose СПОСОБ    как удалять: move:ПАПКА (переместить в папку), trash (в
                      корзину), wipe (затереть), hardlink или symlink (заменить
                      побайтно одинаковый файл жёсткой или символической ссылкой на
                      оставляемый); обязателен вместе с --keep
  --dry-run           вместе с --keep: ничего не удалять, только показать, какие
                      файлы куда ушли бы и сколько байт освободилось бы
  --json              вывести группы, удаления и итоги одним документом JSON
  --csv               вывести файлы групп таблицей CSV (по строке на файл)
  --fingerprint ФАЙЛ  показать размеры и отпечаток одной картинки
  --no-cache          не читать и не пополнять кэш отпечатков
  --clear-cache       очистить кэш отпечатков; без папки больше ничего не делать
  --undo [ЖУРНАЛ]     вернуть на места файлы, перемещённые или убранные в корзину
                      последним запуском (или запуском этого журнала)
  --help              эта справка
  --version           версия программы
</source>
        <translation>Usage:
  morvane-cli [--mode MODE] [--masks MASKS | --all-formats] [--threshold N]
              [--list FILE] [--log FILE] [--reference FOLDER]...
              [--json | --csv] FOLDER...
  morvane-cli --keep RULE[,RULE...] --dispose WAY [--dry-run] [--json]
              [...] FOLDER...
  morvane-cli --fingerprint FILE
  morvane-cli --clear-cache
  morvane-cli --undo [JOURNAL]
  morvane-cli --version

Finds identical and similar pictures in folders and their subfolders (as in one
common folder) and writes the groups to the duplicate list and the run log.

  --mode exact        compare exactly: the share of equal fingerprint cells (the
                      default)
  --mode similar      find similar pictures too: copies with another brightness,
                      in greyscale, saved again, scaled down, cropped at the
                      edge; mirror images do not count as similar
  --mode identical    find byte-for-byte identical files of any kind, decoding
                      nothing (no threshold needed)
  --masks MASKS       file masks separated by &quot;;&quot; (default &quot;%1&quot;)
  --all-formats       instead of masks, every format read: JPEG, PNG, BMP, GIF,
                      WMF, EMF, WebP, TIFF, HEIC, AVIF, JPEG XL, ICO, SVG and
                      camera raw (DNG, CR2, CR3, NEF, ARW, ORF, RW2, RAF, PEF)
  --threshold N       similarity threshold in percent, 1..100 (default %2, for
                      similar %3)
  --list FILE         duplicate list (default %4)
  --log FILE          run log (default %5)
  --reference FOLDER  reference folder: its pictures are compared but never
                      deleted; may be given several times
  --keep RULES        keep one file of each group and delete the others; the
                      first rule that tells the files apart decides, the next
                      ones break ties, then the order of the walk: largest,
                      smallest, most-pixels, oldest, newest (by the EXIF date
                      taken, else by the modification time), in:FOLDER (lying in
                      the folder), shortest-path; rules separated by &quot;,&quot; or by
                      repeating --keep
  --dispose WAY       how to delete: move:FOLDER (move into the folder), trash
                      (to the trash), wipe (overwrite and delete), hardlink or
                      symlink (replace a byte-for-byte identical file with a
                      hard or symbolic link to the one kept); required with
                      --keep
  --dry-run           with --keep: delete nothing, only show which files would
                      go where and how many bytes would be freed
  --json              print the groups, removals and totals as one JSON document
  --csv               print the files of the groups as a CSV table, a row per
                      file
  --fingerprint FILE  show the dimensions and the fingerprint of one picture
  --no-cache          neither read nor add to the fingerprint cache
  --clear-cache       clear the fingerprint cache; without a folder, do nothing
                      more
  --undo [JOURNAL]    put back the files moved or sent to the trash by the last
                      run (or by the run of this journal)
  --help              this help
  --version           the program&apos;s version
</translation>
    </message>
    <message>
        <source>%1 указывается без значения</source>
        <translation>%1 takes no value</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Ошибка создания файла!</source>
        <translation>Cannot create the file!</translation>
    </message>
    <message>
        <source>Ошибка записи файла!</source>
        <translation>Cannot write to the file!</translation>
    </message>
    <message>
        <source>Папка для перемещения не задана.</source>
        <translation>No move folder is set.</translation>
    </message>
    <message>
        <source>Не могу создать папку %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>Файл уже лежит в папке для перемещения.</source>
        <translation>The file is already in the move folder.</translation>
    </message>
    <message>
        <source>Нет свободного имени в папке для перемещения.</source>
        <translation>No free name is left in the move folder.</translation>
    </message>
    <message>
        <source>На другой диск переносится только обычный файл.</source>
        <translation>Only a regular file can be moved to another disk.</translation>
    </message>
    <message>
        <source>Файл удалён без перезаписи.</source>
        <translation>The file was deleted without being overwritten.</translation>
    </message>
    <message>
        <source>Все форматы картинок</source>
        <translation>All picture formats</translation>
    </message>
    <message>
        <source>Маски по умолчанию</source>
        <translation>Default masks</translation>
    </message>
    <message>
        <source>(эталон)</source>
        <translation>(reference)</translation>
    </message>
    <message>
        <source>Добавить папку эталонов…</source>
        <translation>Add a reference folder…</translation>
    </message>
    <message>
        <source>Очистить папки эталонов</source>
        <translation>Clear the reference folders</translation>
    </message>
    <message>
        <source>Папки эталонов (не удаляются):</source>
        <translation>Reference folders (never deleted from):</translation>
    </message>
    <message>
        <source>Это эталон: файлы из папок эталонов не удаляются.</source>
        <translation>This is a reference: files in reference folders are never deleted.</translation>
    </message>
    <message>
        <source>Убрать эталоны: %1</source>
        <translation>Remove the reference folder %1</translation>
    </message>
    <message>
        <source>Оставляемый файл изменился после сравнения; из его группы ничего не удалено.</source>
        <translation>The file to keep changed after the comparison; nothing of its group was deleted.</translation>
    </message>
    <message>
        <source>Кэш отпечатков %1: </source>
        <translation>Fingerprint cache %1: </translation>
    </message>
    <message>
        <source>нет папки для кэша</source>
        <translation>no folder for the cache</translation>
    </message>
    <message>
        <source>файл повреждён, создаётся заново (%1)</source>
        <translation>the file is damaged and is made anew (%1)</translation>
    </message>
    <message>
        <source>не открывается, поиск идёт без него (%1)</source>
        <translation>it does not open; the search goes on without it (%1)</translation>
    </message>
    <message>
        <source>база данных другой программы, поиск идёт без кэша</source>
        <translation>another program&apos;s database; the search goes on without the cache</translation>
    </message>
    <message>
        <source>не используется дальше (%1)</source>
        <translation>no longer used (%1)</translation>
    </message>
    <message>
        <source>Не могу переместить файл в корзину!</source>
        <translation>Cannot move the file to the trash!</translation>
    </message>
    <message>
        <source>Файл не удалось переименовать; он не тронут.</source>
        <translation>The file could not be renamed; it is untouched.</translation>
    </message>
    <message>
        <source>Не могу открыть файл!</source>
        <translation>Cannot open the file!</translation>
    </message>
    <message>
        <source>Не могу перезаписать файл!</source>
        <translation>Cannot overwrite the file!</translation>
    </message>
    <message>
        <source>Не могу удалить файл!</source>
        <translation>Cannot delete the file!</translation>
    </message>
    <message>
        <source>Файл изменился после сравнения и оставлен на месте.</source>
        <translation>The file changed after the comparison and was left in place.</translation>
    </message>
    <message>
        <source>У файла есть другие имена: удалено только это имя, содержимое не затёрто.</source>
        <translation>The file has other names: only this name was deleted, and the content was not wiped.</translation>
    </message>
    <message>
        <source>Оставляемый файл изменился после сравнения; ссылка не сделана, файл оставлен на месте.</source>
        <translation>The file to keep changed after the comparison; no link was made and the file was left in place.</translation>
    </message>
    <message>
        <source>Файл не совпадает с оставляемым побайтно; ссылка не сделана, файл оставлен на месте.</source>
        <translation>The file is not identical byte for byte to the file kept; no link was made and the file was left in place.</translation>
    </message>
    <message>
        <source>Оставляемый файл на другом диске, жёсткая ссылка невозможна; файл оставлен на месте.</source>
        <translation>The file to keep is on another disk, so no hard link is possible; the file was left in place.</translation>
    </message>
    <message>
        <source>Не могу заменить файл ссылкой!</source>
        <translation>Cannot replace the file with a link!</translation>
    </message>
    <message>
        <source>Не могу записать журнал удалений; файл оставлен на месте.</source>
        <translation>Cannot write the removal journal; the file was left in place.</translation>
    </message>
    <message>
        <source>Не могу переместить файл!</source>
        <translation>Cannot move the file!</translation>
    </message>
    <message>
        <source>затёрт, вернуть нельзя: </source>
        <translation>wiped, it cannot come back: </translation>
    </message>
    <message>
        <source>заменён ссылкой на оставленную копию: </source>
        <translation>replaced by a link to the copy kept: </translation>
    </message>
    <message>
        <source>на его месте уже есть файл: </source>
        <translation>another file is in its place: </translation>
    </message>
    <message>
        <source>не найден там, куда был убран: </source>
        <translation>not found where it was put: </translation>
    </message>
    <message>
        <source>Нет журнала удалений: возвращать нечего.</source>
        <translation>No removal journal: there is nothing to put back.</translation>
    </message>
    <message>
        <source>Не могу прочитать журнал удалений!</source>
        <translation>Cannot read the removal journal!</translation>
    </message>
    <message>
        <source>Возвращено файлов: %1</source>
        <translation>Files put back: %1</translation>
    </message>
    <message>
        <source>Не возвращены:</source>
        <translation>Not put back:</translation>
    </message>
</context>
<context>
    <name>Pickers</name>
    <message>
        <source>Выбор каталога:</source>
        <translation>Choose a folder:</translation>
    </message>
</context>
<context>
    <name>UndoAction</name>
    <message>
        <source>Вернуть файлы последнего запуска</source>
        <translation>Put back the files of the last run</translation>
    </message>
</context>
<context>
    <name>morvane::PicView</name>
    <message>
        <source>Папка для поиска</source>
        <translation>Search folder</translation>
    </message>
    <message>
        <source>Маски для поиска</source>
        <translation>Search masks</translation>
    </message>
    <message>
        <source>Список дубликатов</source>
        <translation>Duplicate list</translation>
    </message>
    <message>
        <source>Преремещать дубликаты</source>
        <translation>Dispose of duplicates</translation>
    </message>
    <message>
        <source>В папку</source>
        <translation>To folder</translation>
    </message>
    <message>
        <source>В корзину</source>
        <translation>To trash</translation>
    </message>
    <message>
        <source>Затереть (Перезаписать и удалить)</source>
        <translation>Wipe (overwrite and delete)</translation>
    </message>
    <message>
        <source>Кол-во файлов</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Обработано</source>
        <translation>Processed</translation>
    </message>
    <message>
        <source>Дубликатов</source>
        <translation>Duplicates</translation>
    </message>
    <message>
        <source>Подобие</source>
        <translation>Similarity</translation>
    </message>
    <message>
        <source>Начать</source>
        <translation>Start</translation>
    </message>
    <message>
        <source> Начать процесс поиска и сравнения файлов </source>
        <translation> Start searching and comparing files </translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source> Выход из программы </source>
        <translation> Exit the program </translation>
    </message>
    <message>
        <source>Похожие</source>
        <translation>Similar</translation>
    </message>
    <message>
        <source> Искать и похожие картинки: копии с другой яркостью, в оттенках серого, пересохранённые, уменьшенные или обрезанные по краю (зеркальные отражения не считаются похожими) </source>
        <translation> Find similar pictures too: copies with another brightness, in greyscale, saved again, scaled down or cropped at the edge (mirror images do not count as similar) </translation>
    </message>
    <message>
        <source>Удалить Все Большие</source>
        <translation>Delete All Larger</translation>
    </message>
    <message>
        <source> Удалить все самые большие дубликаты, оставить один самый маленький </source>
        <translation> Delete all the larger duplicates, keep only the smallest one </translation>
    </message>
    <message>
        <source>Пропустить &gt;&gt;</source>
        <translation>Skip &gt;&gt;</translation>
    </message>
    <message>
        <source> Пропустить эту пару </source>
        <translation> Skip this pair </translation>
    </message>
    <message>
        <source>Удалить Все Маленькие</source>
        <translation>Delete All Smaller</translation>
    </message>
    <message>
        <source> Удалить все самые маленькие дубликаты, оставить один самый большой </source>
        <translation> Delete all the smaller duplicates, keep only the largest one </translation>
    </message>
    <message>
        <source>Пропустить все</source>
        <translation>Skip All</translation>
    </message>
    <message>
        <source> Пропустить все, создать только список дубликатов </source>
        <translation> Skip everything, only write the duplicate list </translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source> Удалить файл слева </source>
        <translation> Delete the file on the left </translation>
    </message>
    <message>
        <source> Удалить файл справа </source>
        <translation> Delete the file on the right </translation>
    </message>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
</context>
<context>
    <name>morvane::RunController</name>
    <message>
        <source>; пропущено длинных путей: %1</source>
        <translation>; long paths skipped: %1</translation>
    </message>
</context>
<context>
    <name>morvane::fAbout</name>
    <message>
        <source>О программе %1</source>
        <translation>About %1</translation>
    </message>
</context>
</TS>
