#!/usr/bin/perl
# Prints the entries of an NDX file in key order, as XBase::Index reads
# them: record number, a tab, the key.
use strict;
use warnings;
use XBase::Index;

my $file = shift or die "usage: ndx_dump.pl FILE.NDX\n";
my $index = XBase::Index->new($file) or die XBase::Index->errstr;
$index->prepare_select or die $index->errstr;
binmode STDOUT;
while (my ($key, $record) = $index->fetch) {
    print "$record\t$key\n";
}
