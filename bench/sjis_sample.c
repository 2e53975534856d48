/*
 * 在庫管理モジュール（サンプル）
 * 作成：開発部　ソフトウェア課
 * 表示・ソート・検索の各機能を提供する。
 */
#include <stdio.h>
#include <string.h>

#define ITEM_MAX 100  /* 最大件数 */

typedef struct {
    int  code;          /* 商品コード */
    char name[64];      /* 商品名（全角可） */
    long price;         // 単価（円）
} Item;

static const char *kTitle = "在庫一覧表示プログラム";
static const char *kError = "エラー：ファイルが開けません";

/* 商品を価格順にソートする（バブルソート） */
void SortItems(Item *items, int count)
{
    int i, j;
    for (i = 0; i < count - 1; i++) {
        for (j = 0; j < count - 1 - i; j++) {
            if (items[j].price > items[j + 1].price) {  // 昇順に並べ替え
                Item tmp = items[j];
                items[j] = items[j + 1];
                items[j + 1] = tmp;
            }
        }
    }
}

/* 一覧を表示する：ＡＢＣ順ではなく価格順 */
void PrintItems(const Item *items, int count)
{
    int i;
    printf("%s\n", kTitle);
    for (i = 0; i < count; i++) {
        printf("%5d %-20s %8ld円\n", items[i].code, items[i].name, items[i].price);
    }
    printf("合計 %d 件（ソフト・ハード含む）\n", count);
}
