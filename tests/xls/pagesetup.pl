#!/usr/bin/perl
# Prints the page setup of every sheet of an .xls file, read through
# Spreadsheet::ParseExcel, one line per sheet:
# name|paper|portrait|scale|left|right|top|bottom|header|footer
use strict;
use warnings;
use Spreadsheet::ParseExcel;
binmode STDOUT, ':encoding(UTF-8)';
my $book = Spreadsheet::ParseExcel->new->parse($ARGV[0])
    or die "not read: " . Spreadsheet::ParseExcel->new->error() . "\n";
for my $s ($book->worksheets) {
    print join('|', $s->get_name, $s->get_paper, $s->is_portrait, $s->get_print_scale,
               $s->get_margin_left, $s->get_margin_right, $s->get_margin_top,
               $s->get_margin_bottom, $s->get_header, $s->get_footer), "\n";
}
