// Texts shown by the interface that the language lists do not hold: the
// edit menu of text fields, the script picker's prompt, the interface size
// entry, the print window's PDF printer and its messages, and why a loaded
// brush sheet cannot be used.
#include "ui/off_list_texts.h"

namespace pq {
namespace {

// Each row: the English text, then zh, de, es, fr, it, ja, ko, nl, pl, pt,
// ru, tr, uk.
constexpr OffListText kTexts[] = {
    {"Cut",
     {"剪切", "Ausschneiden", "Cortar", "Couper", "Taglia", "切り取り", "잘라내기", "Knippen", "Wytnij", "Cortar",
      "Вырезать", "Kes", "Вирізати"}},
    {"Copy",
     {"复制", "Kopieren", "Copiar", "Copier", "Copia", "コピー", "복사", "Kopiëren", "Kopiuj", "Copiar",
      "Копировать", "Kopyala", "Копіювати"}},
    {"Paste",
     {"粘贴", "Einfügen", "Pegar", "Coller", "Incolla", "貼り付け", "붙여넣기", "Plakken", "Wklej", "Colar",
      "Вставить", "Yapıştır", "Вставити"}},
    {"Select all",
     {"全选", "Alles auswählen", "Seleccionar todo", "Tout sélectionner", "Seleziona tutto", "すべて選択",
      "모두 선택", "Alles selecteren", "Zaznacz wszystko", "Selecionar tudo", "Выделить всё", "Tümünü seç",
      "Виділити все"}},
    {"...or pick an embedded script:",
     {"……或选择一个内置脚本：", "...oder ein integriertes Skript wählen:", "...o elegir un script integrado:",
      "...ou choisir un script intégré :", "...oppure scegli uno script incorporato:",
      "...または組み込みスクリプトを選択：", "...또는 내장 스크립트를 선택하기:", "...of een ingebouwd script kiezen:",
      "...lub wybierz wbudowany skrypt:", "...ou escolher um script incorporado:",
      "...или выбрать встроенный скрипт:", "...veya yerleşik bir komut dosyası seç:",
      "...або вибрати вбудований скрипт:"}},
    {"Interface size",
     {"界面大小", "Oberflächengröße", "Tamaño de la interfaz", "Taille de l'interface",
      "Dimensione dell'interfaccia", "インターフェイスのサイズ", "인터페이스 크기", "Interfacegrootte",
      "Rozmiar interfejsu", "Tamanho da interface", "Размер интерфейса", "Arayüz boyutu", "Розмір інтерфейсу"}},
    // The last entry of the print window's narrow printer list.
    {"Print to PDF",
     {"打印为 PDF", "PDF-Datei", "Archivo PDF", "Fichier PDF", "Stampa in PDF", "PDF に印刷", "PDF로 인쇄",
      "PDF-bestand", "Drukuj do PDF", "Arquivo PDF", "Печать в PDF", "PDF dosyası", "Друк у PDF"}},
    {"No printer is installed.",
     {"未安装打印机。", "Es ist kein Drucker installiert.", "No hay ninguna impresora instalada.",
      "Aucune imprimante n'est installée.", "Nessuna stampante installata.",
      "プリンターがインストールされていません。", "설치된 프린터가 없습니다.", "Er is geen printer geïnstalleerd.",
      "Nie zainstalowano żadnej drukarki.", "Nenhuma impressora está instalada.", "Принтер не установлен.",
      "Yüklü yazıcı yok.", "Принтер не встановлено."}},
    {"The printer could not start the page.",
     {"打印机无法开始打印此页。", "Der Drucker konnte die Seite nicht beginnen.",
      "La impresora no pudo iniciar la página.", "L'imprimante n'a pas pu commencer la page.",
      "La stampante non è riuscita ad avviare la pagina.", "プリンターがページを開始できませんでした。",
      "프린터가 페이지를 시작하지 못했습니다.", "De printer kon de pagina niet starten.",
      "Drukarka nie mogła rozpocząć strony.", "A impressora não conseguiu iniciar a página.",
      "Принтеру не удалось начать страницу.", "Yazıcı sayfayı başlatamadı.",
      "Принтеру не вдалося почати сторінку."}},
    {"The printer could not finish the page.",
     {"打印机无法完成此页。", "Der Drucker konnte die Seite nicht abschließen.",
      "La impresora no pudo terminar la página.", "L'imprimante n'a pas pu terminer la page.",
      "La stampante non è riuscita a completare la pagina.", "プリンターがページを完了できませんでした。",
      "프린터가 페이지를 완료하지 못했습니다.", "De printer kon de pagina niet voltooien.",
      "Drukarka nie mogła dokończyć strony.", "A impressora não conseguiu concluir a página.",
      "Принтеру не удалось завершить страницу.", "Yazıcı sayfayı bitiremedi.",
      "Принтеру не вдалося завершити сторінку."}},
    {"no usable brush. Each picture is one brush, scaled to fit a 256 \u00D7 256 cell, and this effect takes only "
     "brushes whose paint crosses the middle of the cell. Several brushes in one picture make one brush: give each "
     "brush a picture of its own.",
     {"没有可用的画笔。每张图片是一支画笔，缩放到 256 × 256 的格子中，而此效果只采用颜料穿过格子中线的画笔。"
      "一张图片中的几支画笔会成为一支画笔：请为每支画笔单独准备一张图片。",
      "kein verwendbarer Pinsel. Jedes Bild ist ein Pinsel, skaliert auf eine Zelle von 256 × 256, und dieser "
      "Effekt nimmt nur Pinsel, deren Farbe die Mitte der Zelle kreuzt. Mehrere Pinsel in einem Bild ergeben einen "
      "Pinsel: Geben Sie jedem Pinsel ein eigenes Bild.",
      "ningún pincel utilizable. Cada imagen es un pincel, escalado para caber en una celda de 256 × 256, y este "
      "efecto solo usa pinceles cuya pintura cruza el centro de la celda. Varios pinceles en una imagen forman un "
      "solo pincel: dé a cada pincel su propia imagen.",
      "aucun pinceau utilisable. Chaque image est un pinceau, mis à l'échelle d'une cellule de 256 × 256, et cet "
      "effet ne prend que les pinceaux dont la peinture traverse le milieu de la cellule. Plusieurs pinceaux dans "
      "une même image forment un seul pinceau\u00A0: donnez à chaque pinceau sa propre image.",
      "nessun pennello utilizzabile. Ogni immagine è un pennello, ridimensionato per stare in una cella di "
      "256 × 256, e questo effetto usa solo pennelli il cui colore attraversa il centro della cella. Più pennelli "
      "in un'immagine formano un solo pennello: date a ogni pennello un'immagine propria.",
      "使用できるブラシがありません。各画像は 1 つのブラシで、256 × 256 のセルに収まるように拡大縮小されます。"
      "この効果では、絵の具がセルの中央を横切るブラシだけを使います。1 枚の画像に複数のブラシがあっても 1 つの"
      "ブラシになります。ブラシごとに別の画像を用意してください。",
      "사용할 수 있는 브러시가 없습니다. 각 그림은 256 × 256 칸에 맞게 크기가 조정된 하나의 브러시이며, 이 "
      "효과는 물감이 칸의 가운데를 지나는 브러시만 사용합니다. 한 그림에 여러 브러시가 있으면 하나의 브러시가 "
      "됩니다. 브러시마다 별도의 그림을 사용하세요.",
      "geen bruikbaar penseel. Elke afbeelding is één penseel, geschaald naar een cel van 256 × 256, en dit effect "
      "neemt alleen penselen waarvan de verf het midden van de cel kruist. Meerdere penselen in één afbeelding "
      "vormen één penseel: geef elk penseel een eigen afbeelding.",
      "brak użytecznego pędzla. Każdy obraz to jeden pędzel, przeskalowany do komórki 256 × 256, a ten efekt "
      "przyjmuje tylko pędzle, których farba przecina środek komórki. Kilka pędzli na jednym obrazie daje jeden "
      "pędzel: daj każdemu pędzlowi osobny obraz.",
      "nenhum pincel utilizável. Cada imagem é um pincel, redimensionado para caber numa célula de 256 × 256, e "
      "este efeito só usa pincéis cuja tinta atravessa o meio da célula. Vários pincéis numa imagem formam um "
      "único pincel: dê a cada pincel a sua própria imagem.",
      "нет пригодной кисти. Каждое изображение — одна кисть, масштабированная под ячейку 256 × 256, а этот "
      "эффект берёт только кисти, краска которых пересекает середину ячейки. Несколько кистей на одном "
      "изображении дают одну кисть: дайте каждой кисти отдельное изображение.",
      "kullanılabilir fırça yok. Her resim, 256 × 256 boyutunda bir hücreye sığacak şekilde ölçeklenen tek bir "
      "fırçadır ve bu efekt yalnızca boyası hücrenin ortasından geçen fırçaları kullanır. Bir resimdeki birden çok "
      "fırça tek bir fırça olur: her fırçaya ayrı bir resim verin.",
      "немає придатного пензля. Кожне зображення — один пензель, масштабований під клітинку 256 × 256, а цей "
      "ефект бере лише пензлі, фарба яких перетинає середину клітинки. Кілька пензлів на одному зображенні дають "
      "один пензель: дайте кожному пензлю окреме зображення."}},
    {"no usable brush: every brush picture is fully transparent.",
     {"没有可用的画笔：每张画笔图片都是完全透明的。",
      "kein verwendbarer Pinsel: Jedes Pinselbild ist vollständig transparent.",
      "ningún pincel utilizable: todas las imágenes de pincel son totalmente transparentes.",
      "aucun pinceau utilisable\u00A0: chaque image de pinceau est entièrement transparente.",
      "nessun pennello utilizzabile: ogni immagine di pennello è completamente trasparente.",
      "使用できるブラシがありません：すべてのブラシ画像が完全に透明です。",
      "사용할 수 있는 브러시가 없습니다: 모든 브러시 그림이 완전히 투명합니다.",
      "geen bruikbaar penseel: elke penseelafbeelding is volledig transparant.",
      "brak użytecznego pędzla: każdy obraz pędzla jest całkowicie przezroczysty.",
      "nenhum pincel utilizável: todas as imagens de pincel são totalmente transparentes.",
      "нет пригодной кисти: все изображения кистей полностью прозрачны.",
      "kullanılabilir fırça yok: tüm fırça resimleri tamamen saydam.",
      "немає придатного пензля: усі зображення пензлів повністю прозорі."}},
};

} // namespace

std::span<const OffListText> OffListTexts()
{
    return kTexts;
}

} // namespace pq
