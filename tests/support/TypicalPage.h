#pragma once
#include <QByteArray>

// A page of a real site's size for the readers of references: a stylesheet, a
// <style>, and for each of `items` items a heading, a paragraph with accented letters,
// two links, a picture with a srcset and a style attribute (120 items: about 40 KB and
// 700 references), in UTF-8 or in Latin-1 (said in a meta element).
QByteArray typicalPage(int items, bool latin1);
