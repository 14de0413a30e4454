# SPDX-License-Identifier: Apache-2.0
# fish completion for kestrel-nss-mkimage

set -l m kestrel-nss-mkimage
complete -c $m -n "not __fish_seen_subcommand_from stripe" -a stripe -d 'Cut an image into RAID members'
complete -c $m -n "not __fish_seen_subcommand_from stripe" -l layout -r -F -a demo -d 'Layout file, or demo'
complete -c $m -n "not __fish_seen_subcommand_from stripe" -l out -r -F -d 'Image file'
complete -c $m -n "not __fish_seen_subcommand_from stripe" -l pool-image -x -d 'Only this pool'
complete -c $m -n "not __fish_seen_subcommand_from stripe" -l manifest -r -F -d 'Write a JSON manifest'
complete -c $m -n "not __fish_seen_subcommand_from stripe" -l expect -x -a '(__fish_complete_directories)' -d 'Write the files under DIR'
complete -c $m -n "not __fish_seen_subcommand_from stripe" -l version -d 'Print the version'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l image -r -F -d 'The disk image to cut'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l prefix -x -d 'Member file prefix'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l level -x -a 'span 0 1 10 5 6' -d 'RAID level'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l layout -x -a 'left-symmetric left-asymmetric right-symmetric right-asymmetric' -d 'RAID 5 layout'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l stripe -x -d 'Chunk size'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l offset -x -d 'Bytes before the array'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l members -x -d 'How many members'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l order -x -d 'The member order'
complete -c $m -n "__fish_seen_subcommand_from stripe" -l leave-out -x -d 'Members not written'
